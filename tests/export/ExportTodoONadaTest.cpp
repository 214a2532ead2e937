// An export changes the work folder only when every step has finished: a run that fails, in a
// step or while putting the new tables in place, leaves every file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PasosFixture.h"
#include "export/ExportRun.h"
#include "export/ExportSteps.h"
#include "services/Error.h"
#include "services/FileSizeLimit.h"
#include "services/Session.h"
#include "services/Table.h"
#include "services/UserPort.h"
#include "services/XmlDocument.h"

namespace qv::prueba {
namespace {

namespace fs = std::filesystem;

// One school day with two slots: an earlier export that differs from the sample document's.
const char* const kExportAnterior = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO><BLOQUE_DATOS>
<grupo_datos seq="JORNADAS_ESCOLARES"><grupo_datos>
<dato>7</dato><dato>Mañana</dato><dato>15/09/2026</dato><dato>22/06/2027</dato>
</grupo_datos></grupo_datos>
<grupo_datos seq="TRAMOS_HORARIOS">
<grupo_datos><dato>71</dato><dato>1ª</dato><dato>480</dato><dato>540</dato><dato>7</dato></grupo_datos>
<grupo_datos><dato>72</dato><dato>2ª</dato><dato>540</dato><dato>600</dato><dato>7</dato></grupo_datos>
</grupo_datos>
</BLOQUE_DATOS></SERVICIO>
)";

class Puerto : public UserPort {
public:
    std::optional<fs::path> documento;
    std::vector<std::string> mensajes;

    std::optional<fs::path> chooseExchangeDocument() override { return documento; }
    void showMessage(const std::string& texto) override { mensajes.push_back(texto); }
    void setWaitCursor(bool) override {}
    std::string chooseHourTemplate(const fs::path&) override { return "1"; }
    void completeTeacherData() override { ADD_FAILURE() << "the export asks for no teacher data"; }
    void closeMainWindow() override {}
};

std::string leerBytes(const fs::path& archivo) {
    std::ifstream in(archivo, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every entry under FOLDER by relative path: a file's bytes, or a marker for a folder.
using Instantanea = std::map<std::string, std::string>;
const char* const kEsCarpeta = "<carpeta>";

Instantanea instantanea(const fs::path& carpeta) {
    Instantanea todo;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(carpeta)) {
        const std::string nombre = fs::relative(e.path(), carpeta).string();
        todo[nombre] = e.is_directory() ? std::string(kEsCarpeta) : leerBytes(e.path());
    }
    return todo;
}

// The entries that differ, by name, so that a failure does not print whole tables.
std::vector<std::string> diferencias(const Instantanea& antes, const Instantanea& despues) {
    std::vector<std::string> distintas;
    for (const auto& [nombre, bytes] : antes) {
        const auto otra = despues.find(nombre);
        if (otra == despues.end()) {
            distintas.push_back("missing: " + nombre);
        } else if (otra->second != bytes) {
            distintas.push_back("changed: " + nombre);
        }
    }
    for (const auto& [nombre, bytes] : despues) {
        if (antes.count(nombre) == 0) {
            distintas.push_back("new: " + nombre);
        }
    }
    return distintas;
}

// Another program holding a file open: a child process with a read lock on it until the
// object goes.
class OtroPrograma {
public:
    explicit OtroPrograma(const fs::path& archivo) {
        int listo[2];
        if (::pipe(listo) != 0 || ::pipe(m_fin) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(listo[0]);
            ::close(m_fin[1]);
            const int fd = ::open(archivo.c_str(), O_RDONLY);
            struct flock fl {};
            fl.l_type = F_RDLCK;
            fl.l_whence = SEEK_SET;
            const char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0 ? '1' : '0';
            (void)!::write(listo[1], &ok, 1);
            char nada = 0;
            (void)!::read(m_fin[0], &nada, 1);
            ::_exit(0);
        }
        ::close(listo[1]);
        ::close(m_fin[0]);
        char ok = '0';
        m_retiene = ::read(listo[0], &ok, 1) == 1 && ok == '1';
        ::close(listo[0]);
    }
    ~OtroPrograma() {
        ::close(m_fin[1]);
        if (m_pid > 0) {
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    OtroPrograma(const OtroPrograma&) = delete;
    OtroPrograma& operator=(const OtroPrograma&) = delete;

    bool retiene() const { return m_retiene; }

private:
    pid_t m_pid = -1;
    int m_fin[2] = {-1, -1};
    bool m_retiene = false;
};

class ExportTodoONada : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(programa());
        fs::copy_file(fs::path(TM_BIN_DIR) / "NIVELCAN.DBF", programa() / "NIVELCAN.DBF");
        m_session = std::make_unique<Session>(trabajo(), programa());
    }

    fs::path trabajo() const { return m_raiz.path() / "drive_c" / "VTEMP"; }
    fs::path programa() const { return m_raiz.path() / "programa"; }
    Session& session() { return *m_session; }

    static std::string ejemplo() {
        return leerBytes(fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml");
    }

    // Exports BYTES as a document through the whole run.
    void exportar(const std::string& bytes) {
        const fs::path documento = m_raiz.path() / "documento.xml";
        std::ofstream(documento, std::ios::binary) << bytes;
        puerto = Puerto{};
        puerto.documento = documento;
        BExportarClick(session(), puerto);
    }

    // A work folder after an earlier export, with what the timetabling program leaves beside
    // it: its JORNADAS.DBF, its solution, an index of an older PROFT, and AULAT in another case.
    void carpetaAnterior() {
        std::error_code ec;
        fs::remove_all(trabajo(), ec);
        exportar(kExportAnterior);
        ASSERT_EQ(puerto.mensajes, std::vector<std::string>{"Proceso finalizado"});
        std::ofstream(trabajo() / "JORNADAS.DBF", std::ios::binary) << "jornadas de antes";
        std::ofstream(trabajo() / "SOLUC.DBF", std::ios::binary) << "solución de antes";
        std::ofstream(trabajo() / "PROFT.MDX", std::ios::binary) << "índice de antes";
        fs::rename(trabajo() / "AULAT.DBF", trabajo() / "Aulat.dbf");
        session().ResultadoTraspaso = 0;
    }

    // The run failed with TEXT and left the work folder and the session as they were.
    void sinCambios(const Instantanea& antes, const std::string& texto) {
        try {
            exportar(ejemplo());
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), texto);
        }
        EXPECT_EQ(diferencias(antes, instantanea(trabajo())), std::vector<std::string>{});
        EXPECT_TRUE(puerto.mensajes.empty());
        EXPECT_EQ(session().ResultadoTraspaso, 0);
        EXPECT_EQ(session().carpetaTrabajo, trabajo());
        EXPECT_EQ(session().wwTableGrupos.path().parent_path(), trabajo());
    }

    CarpetaTemporal m_raiz;
    Puerto puerto;

private:
    std::unique_ptr<Session> m_session;
};

std::string cambiar(std::string texto, const std::string& viejo, const std::string& nuevo) {
    const std::size_t donde = texto.find(viejo);
    EXPECT_NE(donde, std::string::npos) << viejo;
    return donde == std::string::npos ? texto : texto.replace(donde, viejo.size(), nuevo);
}

TEST_F(ExportTodoONada, StepThatFailsLeavesTheWorkFolderAsItWas) {
    struct Caso {
        const char* nombre;
        const char* viejo;
        const char* nuevo;
        const char* texto;
    };
    const Caso casos[] = {
        {"course key that is no integer (courses and groups)",
         R"(<dato nombre_dato="X_OFERTAMATRIG">3101</dato>)",
         R"(<dato nombre_dato="X_OFERTAMATRIG">31x1</dato>)",
         "'31x1' no es un valor entero válido"},
        {"slot start that is no integer (days and slots, the last step)",
         R"(<dato nombre_dato="N_INICIO">495</dato>)",
         R"(<dato nombre_dato="N_INICIO">nueve</dato>)", "'nueve' no es un valor entero válido"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        carpetaAnterior();
        const Instantanea antes = instantanea(trabajo());
        ASSERT_EQ(antes.count("JORNADAS.DBF"), 1u);
        const std::string documento = cambiar(ejemplo(), caso.viejo, caso.nuevo);
        try {
            exportar(documento);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), caso.texto);
        }
        EXPECT_EQ(diferencias(antes, instantanea(trabajo())), std::vector<std::string>{});
        EXPECT_EQ(session().ResultadoTraspaso, 0);
        EXPECT_EQ(session().carpetaTrabajo, trabajo());
        EXPECT_EQ(session().wwTableNomAsg.path().parent_path(), trabajo());
    }
}

TEST_F(ExportTodoONada, FileHeldByAnotherProgramEndsTheRunBeforeAnythingIsReplaced) {
    struct Caso {
        const char* retenido;
        std::string texto;
    };
    const std::string t = trabajo().string() + "/";
    const Caso casos[] = {
        {"PROFT.DBF",
         "No se puede crear la tabla " + t + "PROFT.DBF: está en uso por otro programa"},
        {"Aulat.dbf",
         "No se puede crear la tabla " + t + "AULAT.DBF: está en uso por otro programa"},
        {"DIASHORAST2.MDX", "No se puede crear la tabla " + t + "DIASHORAST2.DBF: su índice " + t +
                                "DIASHORAST2.MDX está en uso por otro programa"},
        {"PROFT.MDX", "No se puede crear la tabla " + t + "PROFT.DBF: su índice " + t +
                          "PROFT.MDX está en uso por otro programa"},
        {"JORNADAS.DBF",
         "No se puede borrar el archivo " + t + "JORNADAS.DBF: está en uso por otro programa"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.retenido);
        carpetaAnterior();
        const Instantanea antes = instantanea(trabajo());
        {
            OtroPrograma otro(trabajo() / caso.retenido);
            ASSERT_TRUE(otro.retiene());
            sinCambios(antes, caso.texto);
        }
        // Once the other program lets go, the same export goes through.
        exportar(ejemplo());
        EXPECT_EQ(puerto.mensajes, std::vector<std::string>{"Proceso finalizado"});
    }
}

TEST_F(ExportTodoONada, SessionTableLeftOpenEndsTheRunWithTheSessionAsItWas) {
    carpetaAnterior();
    const Instantanea antes = instantanea(trabajo());
    session().wwTableGrupos.open(OpenMode::Shared);
    try {
        exportar(ejemplo());
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        EXPECT_NE(std::string(e.what()).find("mientras está abierta"), std::string::npos)
            << e.what();
    }
    session().wwTableGrupos.close();
    EXPECT_EQ(diferencias(antes, instantanea(trabajo())), std::vector<std::string>{});
    EXPECT_EQ(session().carpetaTrabajo, trabajo());
    for (const Table* tabla :
         {&session().wwTableNomAsg, &session().wwTableNomAsg_2, &session().wwTableProfesor,
          &session().wwTableGrupos, &session().wwTableCursos}) {
        EXPECT_EQ(tabla->path().parent_path(), trabajo()) << tabla->objectName();
    }
}

TEST_F(ExportTodoONada, TableThatCannotBeWrittenEndsTheRunWithTheWorkFolderAsItWas) {
    // The sample's ASIGT.DBF takes some 8.6 KB, every other file less than 7.
    carpetaAnterior();
    const Instantanea antes = instantanea(trabajo());
    puerto = Puerto{};
    puerto.documento = fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml";
    try {
        test::FileSizeLimit discoLleno(7000);
        BExportarClick(session(), puerto);
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        const std::string texto = e.what();
        EXPECT_EQ(
            texto.rfind("No se puede escribir en " + trabajo().string() + "/.provisional-", 0), 0u)
            << texto;
        const std::string final = "/ASIGT.DBF: el archivo supera el tamaño máximo permitido";
        EXPECT_TRUE(texto.size() > final.size() &&
                    texto.compare(texto.size() - final.size(), final.size(), final) == 0)
            << texto;
    }
    EXPECT_EQ(diferencias(antes, instantanea(trabajo())), std::vector<std::string>{});
    EXPECT_TRUE(puerto.mensajes.empty());
    EXPECT_EQ(session().ResultadoTraspaso, 0);
}

TEST_F(ExportTodoONada, MoveThatFailsAtTheEndPutsEveryFileBack) {
    // A folder where PERIODOS.DBF belongs: the tables sorted before it are already in place when
    // its move fails, and must go back.
    carpetaAnterior();
    fs::remove(trabajo() / "PERIODOS.DBF");
    fs::create_directory(trabajo() / "PERIODOS.DBF");
    const Instantanea antes = instantanea(trabajo());
    try {
        exportar(ejemplo());
        ADD_FAILURE() << "no error";
    } catch (const TableError& e) {
        const std::string texto = e.what();
        EXPECT_EQ(
            texto.rfind(
                "No se puede crear la tabla " + (trabajo() / "PERIODOS.DBF").string() + ": ", 0),
            0u)
            << texto;
    }
    EXPECT_EQ(diferencias(antes, instantanea(trabajo())), std::vector<std::string>{});
    EXPECT_EQ(session().ResultadoTraspaso, 0);
}

TEST_F(ExportTodoONada, CompletedRunWritesWhatTheStepsWriteAndTakesTheOldFilesAway) {
    // The seven steps straight into a folder of their own, as a run wrote before staging.
    CarpetaTemporal directa;
    {
        Session sesion(directa.path(), programa());
        sesion.DocumentoXML = std::make_unique<XmlDocument>();
        sesion.DocumentoXML->load(fs::path(TM_SOURCE_DIR) / "data" / "ejemplo.xml");
        Puerto p;
        TraspasarMaterias(sesion);
        TraspasarActividades(sesion);
        TraspasarProfesores(sesion);
        TraspasarAulas(sesion);
        TraspasarCursosYGrupos(sesion);
        TraspasarAsignaciones(sesion);
        TraspasarJornadasYTramos(sesion, p);
    }
    Instantanea esperado = instantanea(directa.path());
    ASSERT_EQ(esperado.size(), 11u);  // ten tables and DIASHORAST2.MDX
    carpetaAnterior();
    esperado["SOLUC.DBF"] = leerBytes(trabajo() / "SOLUC.DBF");  // not ours: left alone

    exportar(ejemplo());
    EXPECT_EQ(puerto.mensajes, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(session().ResultadoTraspaso, 1);
    // Same names and bytes: JORNADAS.DBF, the old PROFT.MDX, Aulat.dbf and the staging folder are
    // gone.
    EXPECT_EQ(diferencias(esperado, instantanea(trabajo())), std::vector<std::string>{});
    EXPECT_EQ(session().carpetaTrabajo, trabajo());
    EXPECT_EQ(session().wwTableGrupos.path(), trabajo() / "GRUPOST.DBF");
}

}  // namespace
}  // namespace qv::prueba
