// Hostile exchange documents through the whole export run: each gets its message, and nothing
// is lost (the work folder of an earlier export byte-identical after a refused document, the
// program folder never written, no file outside the work folder opened).
//
// Covered elsewhere and not repeated here: an empty file, a file that is not XML, a document
// without /SERVICIO/BLOQUE_DATOS (tests/export/ExportRunTest.cpp,
// FileThatIsNoExchangeDocumentIsReportedBeforeAnyTable); a work folder path that cannot be a
// folder (ExportRunTest.cpp, WorkFolderThatCannotBeWrittenIsAnError); external entities and DTDs
// at the XML service (tests/services/XmlDocumentTest.cpp, XmlSafety).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HostileSupport.h"
#include "export/ExportRun.h"
#include "export/PasosFixture.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/UserPort.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class PuertoFalso : public UserPort {
public:
    std::optional<fs::path> archivo;
    std::vector<std::string> mensajes;
    bool cursor = false;

    std::optional<fs::path> chooseExchangeDocument() override { return archivo; }
    void showMessage(const std::string& text) override { mensajes.push_back(text); }
    void setWaitCursor(bool on) override { cursor = on; }
    std::string chooseHourTemplate(const fs::path&) override { return "7"; }
    void completeTeacherData() override { ADD_FAILURE() << "the export asks for no teacher data"; }
    void closeMainWindow() override {}
};

// A document every step reads: one subject whose name is NOMBRE (raw XML, UTF-8), one school
// day with one slot. PROLOGO stands between the declaration and the root.
std::string documento(
    const std::string& nombre, const std::string& prologo = {},
    const std::string& declaracion = R"(<?xml version="1.0" encoding="UTF-8"?>)") {
    return declaracion + prologo +
           "<SERVICIO><BLOQUE_DATOS>"
           "<grupo_datos seq=\"MATERIAS\"><grupo_datos><dato>3101</dato><dato>60001</dato><dato>" +
           nombre +
           "</dato><dato>LCL</dato><dato>240</dato></grupo_datos></grupo_datos>"
           "<grupo_datos seq=\"JORNADAS_ESCOLARES\"><grupo_datos><dato>7</dato><dato>Ma\xC3\xB1"
           "ana</dato><dato>15/09/2026</dato><dato>22/06/2027</dato></grupo_datos></grupo_datos>"
           "<grupo_datos seq=\"TRAMOS_HORARIOS\"><grupo_datos><dato>71</dato><dato>1</dato>"
           "<dato>480</dato><dato>540</dato><dato>7</dato></grupo_datos></grupo_datos>"
           "</BLOQUE_DATOS></SERVICIO>";
}

std::string repetir(const std::string& trozo, int veces) {
    std::string r;
    for (int i = 0; i < veces; ++i) {
        r += trozo;
    }
    return r;
}

// Ten entities each referring ten times to the one before: 10^10 characters if expanded.
std::string entidadesAnidadas() {
    std::string dtd = "<!DOCTYPE SERVICIO [<!ENTITY e0 \"jajajajaja\">";
    for (int i = 1; i < 10; ++i) {
        dtd += "<!ENTITY e" + std::to_string(i) + " \"" +
               repetir("&e" + std::to_string(i - 1) + ";", 10) + "\">";
    }
    return dtd + "]>";
}

class ExportacionHostil : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("WINEPREFIX", m_raiz.path().c_str(), 1);
        fs::create_directories(programa());
        fs::create_directories(fuera());
        std::ofstream(secreto(), std::ios::binary) << "MARCA-SECRETA-4711";
        prueba::crearNivelcan(programa(), {{3101, "1ESO", "ESO"}});
        // An earlier export whose tables must survive every refused document.
        exportar(documento("Lengua"));
        ASSERT_EQ(m_port.mensajes, std::vector<std::string>{"Proceso finalizado"});
        m_trabajoAntes = hostil::instantanea(trabajo());
        m_programaAntes = hostil::instantanea(programa());
        ASSERT_EQ(m_trabajoAntes.size(), 11u);
    }

    fs::path trabajo() const { return m_raiz.path() / "drive_c" / "VTEMP"; }
    fs::path programa() const { return m_raiz.path() / "programa"; }
    fs::path fuera() const { return m_raiz.path() / "fuera"; }
    fs::path secreto() const { return fuera() / "secreto.txt"; }
    fs::path archivo() const { return m_raiz.path() / "documento.xml"; }

    void exportar(const std::string& bytes) {
        std::ofstream(archivo(), std::ios::binary | std::ios::trunc) << bytes;
        m_port = PuertoFalso();
        m_port.archivo = archivo();
        BExportarClick(m_session, m_port);
    }

    std::string nombreExportado() {
        const auto filas = prueba::leerTabla(trabajo() / "ASIGNOMT.DBF", {"NOMBRE"});
        return filas.size() == 1 ? filas[0][0] : "(" + std::to_string(filas.size()) + " filas)";
    }

    prueba::CarpetaTemporal m_raiz;
    Session m_session{trabajo(), programa()};
    PuertoFalso m_port;
    hostil::Instantanea m_trabajoAntes;
    hostil::Instantanea m_programaAntes;
};

// Documents the run refuses before any table is touched.
struct Rechazado {
    const char* nombre;
    std::string bytes;
    std::string mensaje;  // what follows "El archivo '<path>' no es un documento XML válido: "
};

TEST_F(ExportacionHostil, DocumentosRechazadosNoTocanNada) {
    const Rechazado casos[] = {
        {"nested entity expansion",
         documento("&e9;", entidadesAnidadas(), "<?xml version=\"1.0\"?>"),
         "Error en la línea 1: Detected an entity reference loop"},
        {"entity text past the budget",
         documento(repetir("&e;", 9),
                   "<!DOCTYPE SERVICIO [<!ENTITY e \"" + std::string(200000, 'x') + "\">]>"),
         "Las entidades del documento dan un texto demasiado largo"},
        {"10 000 elements deep", documento(repetir("<x>", 10000) + repetir("</x>", 10000)),
         "Error en la línea 1: Excessive depth in document: 256 use XML_PARSE_HUGE option"},
        {"bytes that are not UTF-8 in a UTF-8 document", documento("Matem\xE1ticas"),
         "Error en la línea 1: Input is not proper UTF-8, indicate encoding !\nBytes: 0xE1 0x74 "
         "0x69 0x63"},
        {"a control character in a Latin-1 document",
         documento("a\x01z", "", R"(<?xml version="1.0" encoding="ISO-8859-1"?>)"),
         "Error en la línea 1: PCDATA invalid Char value 1"},
        {"an encoding nobody knows",
         documento("x", "", R"(<?xml version="1.0" encoding="KLINGON-9"?>)"),
         "Error en la línea 1: Unsupported encoding KLINGON-9"},
    };
    for (const Rechazado& c : casos) {
        SCOPED_TRACE(c.nombre);
        hostil::VigilanciaDeAperturas vigilancia(fuera());
        m_session.ResultadoTraspaso = 5;
        try {
            exportar(c.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "El archivo '" + archivo().string() +
                                                 "' no es un documento XML válido: " + c.mensaje);
        }
        EXPECT_TRUE(m_port.mensajes.empty());
        EXPECT_FALSE(m_port.cursor);
        EXPECT_EQ(m_session.ResultadoTraspaso, 5);
        EXPECT_TRUE(hostil::instantanea(trabajo()) == m_trabajoAntes) << "work folder changed";
        EXPECT_TRUE(hostil::instantanea(programa()) == m_programaAntes);
        EXPECT_TRUE(vigilancia.abiertos().empty());
    }
}

// Documents the run takes: each completes, and the subject's name lands as shown.
struct Aceptado {
    const char* nombre;
    std::string bytes;
    std::string nombreEnTabla;  // UTF-8, as read back from ASIGNOMT
};

TEST_F(ExportacionHostil, DocumentosAceptadosSinLeerNadaDeFuera) {
    const std::string url = "file://" + secreto().string();
    const Aceptado casos[] = {
        // An external entity reads as nothing, and the file it names is never opened.
        {"external entity naming a local file",
         documento("a&s;b", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"" + url + "\">]>"), "ab"},
        {"external parameter entity",
         documento("c", "<!DOCTYPE SERVICIO [<!ENTITY % p SYSTEM \"" + url + "\"> %p;]>"), "c"},
        {"external DTD", documento("d", "<!DOCTYPE SERVICIO SYSTEM \"" + url + "\">"), "d"},
        // Characters Windows-1252 lacks become "?"; the euro sign is in it.
        {"characters outside Windows-1252",
         documento("\xCE\xA9mega \xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD"),
         "?mega \xE2\x82\xAC ? ?"},
        // A value holding elements reads as the text inside them; escaped markup stays text.
        {"markup inside a dato", documento("Lengua <b>y</b> <i>Literatura</i>"),
         "Lengua y Literatura"},
        {"escaped markup", documento("&lt;script&gt;x&lt;/script&gt;"), "<script>x</script>"},
        {"CDATA", documento("<![CDATA[<b>&amp;</b>]]>"), "<b>&amp;</b>"},
        // 10 MB of text in one value: cut to the field's 40 characters.
        {"a 10 MB text value", documento(std::string(10 << 20, 'm')), std::string(40, 'm')},
    };
    for (const Aceptado& c : casos) {
        SCOPED_TRACE(c.nombre);
        hostil::VigilanciaDeAperturas vigilancia(fuera());
        exportar(c.bytes);
        EXPECT_EQ(m_port.mensajes, std::vector<std::string>{"Proceso finalizado"});
        EXPECT_EQ(nombreExportado(), c.nombreEnTabla);
        EXPECT_TRUE(hostil::instantanea(programa()) == m_programaAntes);
        EXPECT_TRUE(vigilancia.abiertos().empty());
        for (const auto& [nombre, bytes] : hostil::instantanea(trabajo())) {
            EXPECT_EQ(bytes.find("MARCA-SECRETA"), std::string::npos) << nombre;
        }
    }
}

// A read-only work folder: the export says so at the first table and changes nothing.
TEST_F(ExportacionHostil, CarpetaDeTrabajoDeSoloLectura) {
    const std::string esperado =
        "No se puede crear una carpeta provisional en '" + trabajo().string() + "': ";
    if (::geteuid() != 0) {
        fs::permissions(trabajo(), fs::perms::owner_write, fs::perm_options::remove);
        try {
            exportar(documento("Otra"));
            ADD_FAILURE() << "wrote into a read-only folder";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(esperado), std::string::npos) << e.what();
        }
        fs::permissions(trabajo(), fs::perms::owner_write, fs::perm_options::add);
    } else {
        // chmod does not stop root: the folder is made read-only by a bind mount instead.
        bool sinPrivilegios = false;
        const std::string mensaje = hostil::enCarpetaDeSoloLectura(
            trabajo(),
            [&] {
                try {
                    exportar(documento("Otra"));
                    return std::string("accepted");
                } catch (const Error& e) {
                    return std::string(e.what());
                }
            },
            &sinPrivilegios);
        if (sinPrivilegios) {
            GTEST_SKIP() << "running as root without the right to bind-mount: a read-only work "
                            "folder cannot be made here";
        }
        EXPECT_EQ(mensaje, esperado + "el disco es de solo lectura");
    }
    EXPECT_TRUE(hostil::instantanea(trabajo()) == m_trabajoAntes);
}

}  // namespace
}  // namespace qv
