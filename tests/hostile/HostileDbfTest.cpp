// Hostile work-folder tables through the import run: each gets its message, no result document
// is written (an earlier one stays as it was) and the work folder is byte-identical afterwards.
//
// Covered elsewhere and not repeated here: every damaged header, field list and index at the
// engine (tests/services/DbfLayoutTest.cpp, DbfBrokenHeaderTest and
// RandomlyDamagedHeadersNeverCrash; tests/services/TableTest.cpp, TableIndexFile and
// TableLocking); a time text that is not a number and a missing table in the import run
// (tests/import/ImportRunTest.cpp, UnErrorEnElCuerpoNoGuardaNada and
// UnaTablaQueFaltaCierraLasAbiertas); PERIODOS.DBF missing (ImportRunTest.cpp, SinPeriodos).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "HostileSupport.h"
#include "formats/WorkTables.h"
#include "import/FakePort.h"
#include "import/Fixtures.h"
#include "import/ImportRun.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/Table.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const char* const kDocumento =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SERVICIO><BLOQUE_DATOS>"
    "<grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\">2026/2027</dato>"
    "</grupo_datos></BLOQUE_DATOS></SERVICIO>";

void ponerU16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// A dBase III table as another program writes it: FIELDS (name, type, width) and ROWS of raw
// field bytes, each already padded to its width.
struct Campo {
    std::string nombre;
    char tipo;
    int ancho;
};
std::string dbase3(const std::vector<Campo>& campos, const std::vector<std::string>& filas) {
    unsigned largo = 1;
    for (const Campo& c : campos) {
        largo += static_cast<unsigned>(c.ancho);
    }
    const std::size_t cabecera = 32 + 32 * campos.size() + 1;
    std::string b(cabecera, '\0');
    b[0] = 0x03;
    b[1] = 126;
    b[2] = 12;
    b[3] = 11;
    b[4] = static_cast<char>(filas.size());
    ponerU16(b, 8, static_cast<unsigned>(cabecera));
    ponerU16(b, 10, largo);
    for (std::size_t i = 0; i < campos.size(); ++i) {
        const std::size_t at = 32 + 32 * i;
        b.replace(at, campos[i].nombre.size(), campos[i].nombre);
        b[at + 11] = campos[i].tipo;
        b[at + 16] = static_cast<char>(campos[i].ancho);
    }
    b[cabecera - 1] = 0x0D;
    for (const std::string& fila : filas) {
        b += ' ' + fila;
    }
    return b + '\x1A';
}

// SOLUC with DIA and HORA as wide as ANCHO, one lesson of ANA on DIA/HORA as written.
std::string solucConDiaYHora(int ancho, const std::string& dia, const std::string& hora) {
    auto derecha = [](const std::string& s, int n) {
        return std::string(static_cast<std::size_t>(n) - s.size(), ' ') + s;
    };
    return dbase3({{"PROF", 'C', 4},
                   {"DIA", 'N', ancho},
                   {"HORA", 'N', ancho},
                   {"ASIG", 'C', 4},
                   {"CODGRUPO", 'C', 4},
                   {"TAREA", 'C', 12},
                   {"AULA", 'C', 4}},
                  {"ANA " + derecha(dia, ancho) + derecha(hora, ancho) + "MAT 1A  " +
                   std::string(12, ' ') + "A1  "});
}

// A child process holding a classic POSIX lock on a file until it is destroyed.
class ProcesoQueBloquea {
public:
    explicit ProcesoQueBloquea(const fs::path& archivo) {
        int listo[2];
        int suelta[2];
        if (::pipe(listo) != 0 || ::pipe(suelta) != 0) {
            throw std::runtime_error("pipe failed");
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(listo[0]);
            ::close(suelta[1]);
            const int fd = ::open(archivo.c_str(), O_RDWR);
            struct flock fl {};
            fl.l_type = F_WRLCK;
            fl.l_whence = SEEK_SET;
            const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0) ? 'y' : 'n';
            (void)!::write(listo[1], &ok, 1);
            char fin;
            (void)!::read(suelta[0], &fin, 1);
            ::_exit(0);
        }
        ::close(listo[1]);
        ::close(suelta[0]);
        m_suelta = suelta[1];
        char ok = 'n';
        (void)!::read(listo[0], &ok, 1);
        ::close(listo[0]);
        m_bloqueado = ok == 'y';
    }
    ~ProcesoQueBloquea() {
        ::close(m_suelta);
        int estado = 0;
        ::waitpid(m_pid, &estado, 0);
    }
    bool bloqueado() const { return m_bloqueado; }

private:
    pid_t m_pid = -1;
    int m_suelta = -1;
    bool m_bloqueado = false;
};

class ImportacionHostil : public ::testing::Test {
protected:
    void SetUp() override {
        prueba::crearTablasVacias(carpeta());
        prueba::crearTabla(
            carpeta(), tablas::PERIODOS,
            {{{"CJORNADA", "7"}, {"FECINI", "15/09/2026"}, {"FECFIN", "22/06/2027"}}});
        prueba::crearTabla(
            carpeta(), tablas::PROFT,
            {{{"ABREV", "ANA"}, {"X_EMPLEADO", "1001"}, {"F_TOMAPOS", "01/09/2004"}}});
        prueba::crearTabla(carpeta(), tablas::DIASHORAST,
                           {{{"DIHO", "11"},
                             {"CODDIHO", "201"},
                             {"DIA", "1"},
                             {"HORADESDE", "08:00"},
                             {"HORAHASTA", "08:55"}}});
        prueba::escribirSoluc(soluc(), {{"ANA", 1, 1, "MAT", "1A", "", "A1"}});
        prueba::escribirArchivo(elegido(), kDocumento);
        prueba::escribirArchivo(salida(), "anterior");
        m_port.archivo = elegido();
    }

    const fs::path& carpeta() const { return m_carpeta.ruta(); }
    fs::path soluc() const { return carpeta() / "SOLUC.DBF"; }
    fs::path elegido() const { return m_documentos.ruta() / "horario.xml"; }
    fs::path salida() const { return m_documentos.ruta() / "ResultadoVelkorhorario.xml"; }

    // Runs the import and answers its error text ("" when it completed).
    std::string importar() {
        try {
            BImportarClick(m_session, m_port);
        } catch (const Error& e) {
            return e.what();
        }
        return {};
    }

    // Nothing lost: no result written, the work folder as it was, every table closed.
    void comprobarQueNoSePerdioNada(const hostil::Instantanea& antes) {
        EXPECT_TRUE(m_port.mensajes.empty());
        EXPECT_EQ(m_session.ResultadoTraspaso, 0);
        EXPECT_EQ(prueba::leerArchivo(salida()), "anterior");
        EXPECT_EQ(prueba::leerArchivo(elegido()), kDocumento);
        EXPECT_TRUE(hostil::instantanea(carpeta()) == antes) << "work folder changed";
        EXPECT_FALSE(m_port.cursorDeEspera());
        for (const Table* t : {&m_session.wwTableSoluc, &m_session.wwTableProfesor,
                               &m_session.wwTableAsig, &m_session.wwTableTramos}) {
            EXPECT_FALSE(t->active()) << t->objectName();
        }
    }

    prueba::CarpetaTemporal m_carpeta;
    prueba::CarpetaTemporal m_documentos;
    prueba::PrefijoWine m_wine{m_carpeta.ruta()};
    Session m_session{m_carpeta.ruta(), m_carpeta.ruta()};
    prueba::FakePort m_port;
};

TEST_F(ImportacionHostil, ElDocumentoDeReferenciaSeImporta) {
    // The fixture itself imports, so every refusal below is due to its one damage.
    EXPECT_EQ(importar(), "");
    EXPECT_EQ(m_port.mensajes, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_NE(prueba::leerArchivo(salida()).find("HORARIO_REGULAR_PROFESOR_1"), std::string::npos);
}

// SOLUC as escribirSoluc writes it: 7 fields, header 257 bytes, rows of 33, one row.
struct SolucDanada {
    const char* nombre;
    std::function<void(std::string&)> danar;  // on the bytes of a good SOLUC
    std::string mensaje;                      // "%P" stands for SOLUC's path
};

TEST_F(ImportacionHostil, SolucDanada) {
    const std::string buena = prueba::leerArchivo(soluc());
    ASSERT_EQ(buena.size(), 257u + 33u + 1u);
    const SolucDanada casos[] = {
        {"record count past the file", [](std::string& b) { b[4] = 40; },
         "La tabla %P está dañada: la cabecera indica 40 filas, pero el archivo (291 bytes) solo "
         "puede contener 1"},
        {"header length past the file", [](std::string& b) { ponerU16(b, 8, 4000); },
         "La tabla %P está dañada: la longitud de la cabecera (4000 bytes) supera el tamaño del "
         "archivo (291 bytes)"},
        {"field list without its terminator", [](std::string& b) { b[256] = 'X'; },
         "La tabla %P está dañada: falta el terminador de la lista de campos"},
        {"zero-length field", [](std::string& b) { b[32 + 32 + 16] = 0; },
         "La tabla %P está dañada: el campo DIA tiene longitud cero"},
        {"truncated last row", [](std::string& b) { b.resize(257 + 20); },
         "La tabla %P está dañada: la última fila está incompleta"},
        {"DIA not a number", [](std::string& b) { b.replace(257 + 5, 2, "x1"); },
         "'x1' no es un valor entero válido"},
        {"HORA not a number", [](std::string& b) { b.replace(257 + 7, 2, "-+"); },
         "'-+' no es un valor entero válido"},
        {"DIA huge", [](std::string& b) { b = solucConDiaYHora(18, "999999999999999999", "1"); },
         "'999999999999999999' no es un valor entero válido"},
        {"HORA huge", [](std::string& b) { b = solucConDiaYHora(18, "1", "-99999999999999999"); },
         "'-99999999999999999' no es un valor entero válido"},
    };
    for (const SolucDanada& c : casos) {
        SCOPED_TRACE(c.nombre);
        std::string bytes = buena;
        c.danar(bytes);
        prueba::escribirArchivo(soluc(), bytes);
        const hostil::Instantanea antes = hostil::instantanea(carpeta());
        std::string esperado = c.mensaje;
        if (const auto at = esperado.find("%P"); at != std::string::npos) {
            esperado.replace(at, 2, soluc().string());
        }
        EXPECT_EQ(importar(), esperado);
        comprobarQueNoSePerdioNada(antes);
    }
}

TEST_F(ImportacionHostil, ProftSinUnCampo) {
    for (const char* falta : {"F_TOMAPOS", "X_EMPLEADO", "ABREV"}) {
        SCOPED_TRACE(falta);
        std::vector<FieldDef> campos;
        for (const FieldDef& f : tablas::PROFT.fields) {
            if (f.name != falta) {
                campos.push_back(f);
            }
        }
        Table::create(carpeta(), "PROFT.DBF", campos);
        {
            Table proft(carpeta(), "PROFT.DBF");
            proft.open(OpenMode::Exclusive);
            proft.append();
            for (const FieldDef& f : campos) {
                proft.setString(f.name, "1");
            }
            proft.post();
        }
        const hostil::Instantanea antes = hostil::instantanea(carpeta());
        const std::string mensaje = importar();
        EXPECT_NE(mensaje.find("No se encuentra el campo '" + std::string(falta) + "'"),
                  std::string::npos)
            << mensaje;
        comprobarQueNoSePerdioNada(antes);
    }
}

TEST_F(ImportacionHostil, TablaBloqueadaPorOtroProceso) {
    for (const char* tabla : {"SOLUC.DBF", "PROFT.DBF", "ASIGT.DBF"}) {
        SCOPED_TRACE(tabla);
        const hostil::Instantanea antes = hostil::instantanea(carpeta());
        {
            ProcesoQueBloquea otro(carpeta() / tabla);
            ASSERT_TRUE(otro.bloqueado());
            EXPECT_EQ(importar(), "No se puede abrir la tabla " + (carpeta() / tabla).string() +
                                      ": está en uso por otro programa");
        }
        comprobarQueNoSePerdioNada(antes);
    }
}

// A read-only work folder: the import opens its tables exclusively, which takes a write lock,
// so it is refused at the first table with a clear message and nothing written.
TEST_F(ImportacionHostil, CarpetaDeTrabajoDeSoloLectura) {
    const hostil::Instantanea antes = hostil::instantanea(carpeta());
    std::string mensaje;
    if (::geteuid() != 0) {
        const auto sinEscritura = [&](fs::perm_options como) {
            for (const auto& entrada : fs::directory_iterator(carpeta())) {
                fs::permissions(entrada.path(), fs::perms::owner_write, como);
            }
            fs::permissions(carpeta(), fs::perms::owner_write, como);
        };
        sinEscritura(fs::perm_options::remove);
        mensaje = importar();
        sinEscritura(fs::perm_options::add);
    } else {
        // chmod does not stop root: the folder is made read-only by a bind mount instead.
        bool sinPrivilegios = false;
        mensaje = hostil::enCarpetaDeSoloLectura(
            carpeta(), [&] { return importar(); }, &sinPrivilegios);
        if (sinPrivilegios) {
            GTEST_SKIP() << "running as root without the right to bind-mount: a read-only work "
                            "folder cannot be made here";
        }
    }
    EXPECT_EQ(mensaje, "No se puede abrir la tabla " + soluc().string() + ": permiso denegado");
    EXPECT_EQ(prueba::leerArchivo(salida()), "anterior");
    EXPECT_TRUE(hostil::instantanea(carpeta()) == antes);
}

}  // namespace
}  // namespace qv
