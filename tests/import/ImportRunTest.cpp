// The import run through a fake port: every way it ends, what it leaves behind, and the
// document it writes.
#include <gtest/gtest.h>

#include <regex>

#include "FakePort.h"
#include "Fixtures.h"
#include "formats/ExchangeDocument.h"
#include "formats/WorkTables.h"
#include "import/ImportRun.h"
#include "import/ProfesoresCompletos.h"
#include "services/Error.h"
#include "services/Session.h"
#include "services/Table.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using prueba::Fila;

const char* const kMensajeProfesores =
    "¡Atención! Sigue habiendo algún Profesor sin todos los DATOS.\n\r"
    "Este proceso se dentendrá y deberá volver a ejecutar\n\r"
    "la Importación, para poder corregir la incidencia";

const char* const kDocumento =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<!-- exportado por la secretar\xED"
    "a -->\n"
    "<SERVICIO modulo=\"HORARIOS\" tipo=\"E\">\n"
    "  <BLOQUE_DATOS>\n"
    "    <grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\">2009/2010</dato>"
    "</grupo_datos>\n"
    "    <grupo_datos seq=\"MATERIAS\"><grupo_datos><dato>x</dato><dato>y</dato></grupo_datos>"
    "</grupo_datos>\n"
    "  </BLOQUE_DATOS>\n"
    "</SERVICIO>\n";

class Importacion : public ::testing::Test {
protected:
    void SetUp() override {
        prueba::crearTablasVacias(carpeta());
        prueba::crearTabla(
            carpeta(), tablas::PERIODOS,
            {{{"CJORNADA", "1"}, {"FECINI", "01/09/2009"}, {"FECFIN", "30/06/2010"}}});
        prueba::crearTabla(carpeta(), tablas::PROFT,
                           {{{"ABREV", "ANA"},
                             {"NOMBRE", "\xC1lvarez, Ana"},
                             {"X_EMPLEADO", "1001"},
                             {"F_TOMAPOS", "01/09/2004"}},
                            {{"ABREV", "LUI"},
                             {"NOMBRE", "Luna, Luis"},
                             {"X_EMPLEADO", "1002"},
                             {"F_TOMAPOS", "02/09/2004"}}});
        prueba::crearTabla(carpeta(), tablas::DIASHORAST,
                           {{{"DIHO", "11"},
                             {"CODDIHO", "201"},
                             {"DIA", "1"},
                             {"HORADESDE", "08:00"},
                             {"HORAHASTA", "08:55"}}});
        prueba::escribirSoluc(carpeta() / "SOLUC.DBF", {{"ANA", 1, 1, "MAT", "1A", "", "A1"}});
        fs::create_directories(m_documentos);
        prueba::escribirArchivo(m_elegido, kDocumento);
        m_port.archivo = m_elegido;
    }

    const fs::path& carpeta() const { return m_carpeta.ruta(); }
    fs::path salida() const { return m_documentos / "ResultadoVelkorhorario.xml"; }

    void ponerProfesor(int fila, const std::string& xEmpleado, const std::string& fTomapos) {
        Table proft(carpeta(), "PROFT.DBF");
        proft.open(OpenMode::Shared);
        proft.setRecNo(fila);
        proft.edit();
        proft.setString("X_EMPLEADO", xEmpleado);
        proft.setString("F_TOMAPOS", fTomapos);
        proft.post();
    }

    // What every run leaves, whichever way it ended.
    void comprobarQueLoDejaTodoCerrado() {
        for (const Table* t :
             {&m_session.wwTableSoluc, &m_session.wwTableGrupos, &m_session.wwTableCursos,
              &m_session.wwTableProfesor, &m_session.wwTableAulas, &m_session.wwTableNomAsg,
              &m_session.wwTableNomAsg_2, &m_session.wwTableTramos, &m_session.wwTableAsig}) {
            EXPECT_FALSE(t->active()) << t->objectName();
        }
        EXPECT_FALSE(m_port.cursorDeEspera());
    }

    prueba::CarpetaTemporal m_carpeta;
    prueba::CarpetaTemporal m_otra;
    fs::path m_documentos = m_otra.ruta() / "Mis datos";
    fs::path m_elegido = m_documentos / "horario.xml";
    Session m_session{m_carpeta.ruta(), m_carpeta.ruta()};
    prueba::FakePort m_port;
};

TEST_F(Importacion, SinArchivo) {
    m_port.archivo.reset();
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.mensajes, std::vector<std::string>{"No existe archivo"});
    EXPECT_EQ(m_session.ResultadoTraspaso, 0);
    EXPECT_EQ(m_port.cierres, 0);
    EXPECT_TRUE(m_port.cursores.empty());

    // Embedded: -1 and the window closes.
    m_session.ModoIntegrado = 2;
    m_port.archivo = m_documentos / "no-esta.xml";
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.mensajes.size(), 2u);
    EXPECT_EQ(m_session.ResultadoTraspaso, -1);
    EXPECT_EQ(m_port.cierres, 1);
    EXPECT_EQ(m_session.ArchivoXML, m_documentos / "no-esta.xml");
}

TEST_F(Importacion, CompletaYEscribeElDocumento) {
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.mensajes, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(m_session.ResultadoTraspaso, 1);
    EXPECT_EQ(m_port.cierres, 0);
    EXPECT_EQ(m_port.dialogosProfesores, 0);
    comprobarQueLoDejaTodoCerrado();
    EXPECT_EQ(prueba::leerArchivo(m_elegido), kDocumento);

    ASSERT_TRUE(fs::exists(salida()));
    EXPECT_EQ(prueba::ejecutar("xmllint --noout '" + salida().string() + "'"), 0);

    const std::string bytes = prueba::leerArchivo(salida());
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("<!-- exportado por la secretar\xED"
                         "a -->"),
              std::string::npos);
    // Written in that encoding: "Álvarez" never appears, but a Latin-1 byte does in the comment.
    EXPECT_EQ(bytes.find("\xC3"), std::string::npos);

    XmlDocument doc;
    doc.load(salida());
    const XmlNode raiz = doc.documentElement();
    EXPECT_EQ(raiz.name(), "SERVICIO");
    EXPECT_EQ(raiz.attribute("modulo"), "HORARIOS");
    EXPECT_EQ(raiz.attribute("tipo"), "I");
    EXPECT_EQ(raiz.attribute("autor"), "HORARIOS");
    EXPECT_TRUE(std::regex_match(raiz.attribute("fecha"),
                                 std::regex(R"(\d\d/\d\d/\d{4} \d{1,2}:\d\d:\d\d)")));
    EXPECT_NE(bytes.find("<SERVICIO modulo=\"HORARIOS\" tipo=\"I\" autor=\"HORARIOS\" fecha="),
              std::string::npos);
    EXPECT_EQ(doc.selectNodes("/SERVICIO/BLOQUE_DATOS/grupo_datos").length(), 2);
    EXPECT_EQ(
        doc.selectSingleNode("/SERVICIO/BLOQUE_DATOS/grupo_datos[1][@seq='ANNO_ACADEMICO']/dato"
                             "[@nombre_dato='C_ANNO']")
            .text(),
        "2009");
    const XmlNode act = doc.selectSingleNode(
        "//grupo_datos[@seq='HORARIO_REGULAR_PROFESOR_1']/grupo_datos[@seq='ACTIVIDAD_1']");
    ASSERT_TRUE(act);
    EXPECT_EQ(prueba::datosDe(act).at(1), (std::pair<std::string, std::string>{"X_TRAMO", "201"}));
    EXPECT_EQ(prueba::datosDe(act).at(6).second, "01/09/2009");
    EXPECT_EQ(prueba::datosDe(act).at(8).second, "480");

    // A second run replaces the first output.
    prueba::escribirSoluc(carpeta() / "SOLUC.DBF", {});
    m_port.archivo.reset();  // the dialog cancelled: the earlier choice is used
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.mensajes.size(), 2u);
    XmlDocument segunda;
    segunda.load(salida());
    EXPECT_FALSE(segunda.selectSingleNode("//grupo_datos[@seq='ACTIVIDAD_1']"));
}

TEST_F(Importacion, AnnoAcademicoCorto) {
    prueba::escribirArchivo(m_elegido,
                            "<SERVICIO><BLOQUE_DATOS><grupo_datos>07</grupo_datos>"
                            "</BLOQUE_DATOS></SERVICIO>");
    BImportarClick(m_session, m_port);
    XmlDocument doc;
    doc.load(salida());
    EXPECT_EQ(doc.selectSingleNode("//dato[@nombre_dato='C_ANNO']").text(), "07");
    EXPECT_EQ(prueba::leerArchivo(salida()).rfind("<?xml", 0), std::string::npos);
}

TEST_F(Importacion, IntegradoCierraAlTerminar) {
    m_session.ModoIntegrado = 2;
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_session.ResultadoTraspaso, 1);
    EXPECT_EQ(m_port.cierres, 1);
}

TEST_F(Importacion, SinPeriodos) {
    fs::remove(carpeta() / "PERIODOS.DBF");
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.mensajes,
              std::vector<std::string>{
                  "ATENCIÓN - PERIODOS.DBF No encontrado - Importe de nuevo XML de ONDIVIA."});
    EXPECT_EQ(m_session.ResultadoTraspaso, 0);
    EXPECT_EQ(m_port.cierres, 0);
    EXPECT_FALSE(fs::exists(salida()));
    comprobarQueLoDejaTodoCerrado();
}

TEST_F(Importacion, ProfesoresIncompletosTrasElDialogo) {
    ponerProfesor(2, "   ", "02/09/2004");
    m_session.ModoIntegrado = 0;
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.dialogosProfesores, 1);
    EXPECT_TRUE(m_port.cursorDuranteDialogo);
    EXPECT_EQ(m_port.mensajes, std::vector<std::string>{kMensajeProfesores});
    EXPECT_EQ(m_port.cierres, 1);
    EXPECT_EQ(m_session.ResultadoTraspaso, 0);
    EXPECT_FALSE(fs::exists(salida()));
    comprobarQueLoDejaTodoCerrado();
}

TEST_F(Importacion, ElDialogoCompletaLosProfesores) {
    ponerProfesor(1, "1001", "");
    m_port.alCompletarProfesores = [this] { ponerProfesor(1, "1001", "15/09/2005"); };
    BImportarClick(m_session, m_port);
    EXPECT_EQ(m_port.dialogosProfesores, 1);
    EXPECT_EQ(m_port.mensajes, std::vector<std::string>{"Proceso finalizado"});
    XmlDocument doc;
    doc.load(salida());
    // The run's own open PROFT sees what the dialog posted.
    EXPECT_EQ(doc.selectSingleNode("//grupo_datos[@seq='HORARIO_REGULAR_PROFESOR_1']"
                                   "/dato[@nombre_dato='F_TOMAPOS']")
                  .text(),
              "15/09/2005");
}

TEST_F(Importacion, ListaDeProfesoresIncompletos) {
    EXPECT_TRUE(ProfesoresCompletos(carpeta()));
    EXPECT_TRUE(profesoresIncompletos(carpeta()).empty());
    ponerProfesor(1, " \t ", "01/09/2004");
    ponerProfesor(2, "1002", "");
    EXPECT_FALSE(ProfesoresCompletos(carpeta()));
    const auto lista = profesoresIncompletos(carpeta());
    ASSERT_EQ(lista.size(), 2u);
    EXPECT_EQ(lista[0].abrev, "ANA");
    EXPECT_EQ(lista[0].nombre, "\xC1lvarez, Ana");
    EXPECT_EQ(lista[1].abrev, "LUI");
}

struct CasoDocumentoMalo {
    const char* nombre;
    const char* bytes;
    const char* mensaje;  // nullptr: the XML library's own
};

TEST_F(Importacion, DocumentosQueNoSonDeIntercambio) {
    const CasoDocumentoMalo casos[] = {
        {"no XML", "esto no es XML <", nullptr},
        {"sin cerrar", "<SERVICIO><BLOQUE_DATOS><x>1</x></BLOQUE_DATOS>", nullptr},
        {"sin bloque", "<SERVICIO><OTRO><x>1</x></OTRO></SERVICIO>",
         "El archivo horario.xml no es un documento de intercambio: no tiene "
         "/SERVICIO/BLOQUE_DATOS"},
        {"bloque vacío", "<SERVICIO><BLOQUE_DATOS/></SERVICIO>",
         "El archivo horario.xml no es un documento de intercambio: su BLOQUE_DATOS está "
         "vacío"},
    };
    prueba::escribirArchivo(salida(), "anterior");
    for (const CasoDocumentoMalo& c : casos) {
        SCOPED_TRACE(c.nombre);
        prueba::escribirArchivo(m_elegido, c.bytes);
        try {
            BImportarClick(m_session, m_port);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            if (c.mensaje) {
                EXPECT_STREQ(e.what(), c.mensaje);
            } else {
                EXPECT_NE(dynamic_cast<const XmlError*>(&e), nullptr) << e.what();
                EXPECT_EQ(std::string(e.what()).rfind(
                              "El archivo horario.xml no es un documento XML bien formado: ", 0),
                          0u)
                    << e.what();
            }
        }
        EXPECT_TRUE(m_port.mensajes.empty());
        EXPECT_EQ(m_session.ResultadoTraspaso, 0);
        EXPECT_EQ(prueba::leerArchivo(m_elegido), c.bytes);
        EXPECT_EQ(prueba::leerArchivo(salida()), "anterior");
        comprobarQueLoDejaTodoCerrado();
    }
}

TEST_F(Importacion, UnErrorEnElCuerpoNoGuardaNada) {
    prueba::crearTabla(carpeta(), tablas::DIASHORAST,
                       {{{"DIHO", "11"}, {"HORADESDE", "8:5"}, {"HORAHASTA", "09:00"}}});
    prueba::escribirArchivo(salida(), "anterior");
    try {
        BImportarClick(m_session, m_port);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "':5' no es un valor entero válido");
    }
    EXPECT_TRUE(m_port.mensajes.empty());
    EXPECT_EQ(m_session.ResultadoTraspaso, 0);
    EXPECT_EQ(prueba::leerArchivo(salida()), "anterior");
    comprobarQueLoDejaTodoCerrado();
}

TEST_F(Importacion, UnaTablaQueFaltaCierraLasAbiertas) {
    fs::remove(carpeta() / "ASIGT.DBF");
    EXPECT_THROW(BImportarClick(m_session, m_port), TableError);
    comprobarQueLoDejaTodoCerrado();
    EXPECT_FALSE(fs::exists(salida()));
}

}  // namespace
}  // namespace qv
