#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/ExchangeDocument.h"
#include "services/Error.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

fs::path fixture(const std::string& name) {
    return fs::path(TM_TEST_DATA_DIR) / "xml" / name;
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The first data item of every record of group SEQ in document FILE.
std::vector<std::string> primerosDatos(const std::string& file, const std::string& seq) {
    XmlDocument doc;
    doc.load(fixture(file));
    std::vector<std::string> out;
    for (const Registro& r : registrosDe(doc, seq)) {
        out.push_back(r.valor(0));
    }
    return out;
}

using Lista = std::vector<std::string>;

// ---- Reading rules

struct GroupCase {
    const char* what;
    const char* file;
    const char* seq;
    Lista firstItems;
};

void PrintTo(const GroupCase& c, std::ostream* os) {
    *os << c.what;
}

class RecordGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(RecordGroups, FindExactlyTheRecordsOfTheGroup) {
    EXPECT_EQ(primerosDatos(GetParam().file, GetParam().seq), GetParam().firstItems);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RecordGroups,
    ::testing::Values(
        GroupCase{"no_data_block", "sin_bloque_datos.xml", "MATERIAS", {}},
        GroupCase{"lower_case_name_is_another_group", "materias_minusculas.xml", "MATERIAS", {}},
        GroupCase{"lower_case_name_found_as_written", "materias_minusculas.xml", "materias", {"1"}},
        // The nested grupo_datos is not a record, nor is the group outside BLOQUE_DATOS.
        GroupCase{"nested_group_not_a_record", "registro_anidado.xml", "MATERIAS", {"M1"}},
        GroupCase{"two_groups_of_one_name", "dos_grupos.xml", "DEPENDENCIAS", {"A1", "A2", "A3"}},
        GroupCase{"missing_group", "dos_grupos.xml", "MATERIAS", {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(Registro, ADeeperDatoIsNotAnItem) {
    XmlDocument doc;
    doc.load(fixture("registro_anidado.xml"));
    const std::vector<Registro> registros = registrosDe(doc, "MATERIAS");
    ASSERT_EQ(registros.size(), 1u);
    EXPECT_EQ(registros[0].numDatos(), 2);
    EXPECT_EQ(registros[0].valor(0), "M1");
    EXPECT_EQ(registros[0].valor(1), "Lengua");
}

TEST(Registro, ValuesAreTrimmedAndInTheTableCodePage) {
    XmlDocument doc;
    doc.load(fixture("valores_con_blancos.xml"));
    const std::vector<Registro> registros = registrosDe(doc, "EMPLEADOS");
    ASSERT_EQ(registros.size(), 1u);
    EXPECT_EQ(registros[0].valor(0),
              "Mar\xED"
              "a Jos\xE9");
    EXPECT_EQ(registros[0].valor(1),
              "Pe\xF1"
              "a");
    EXPECT_EQ(registros[0].valorSinRecortar(0),
              "   Mar\xED"
              "a Jos\xE9\n");
    EXPECT_EQ(registros[0].valorSinRecortar(1),
              "\t Pe\xF1"
              "a \n");  // the parser folds \r\n
}

TEST(Registro, ShortRecordsAreNotReadableAndMissingItemsReadEmpty) {
    XmlDocument doc;
    doc.load(fixture("registro_corto.xml"));
    const std::vector<Registro> registros = registrosDe(doc, "DEPENDENCIAS");
    ASSERT_EQ(registros.size(), 3u);
    EXPECT_FALSE(registros[0].leible());
    EXPECT_TRUE(registros[1].leible());
    EXPECT_TRUE(registros[2].leible());
    EXPECT_EQ(registros[2].valor(1), "");  // present, without text
    EXPECT_EQ(registros[1].valor(5), "");  // beyond the last item
    EXPECT_EQ(registros[1].valorSinRecortar(5), "");
}

TEST(RegistrosDe, NamesWithQuotesAreMatchedLiterally) {
    XmlDocument doc;
    doc.loadXml(
        "<SERVICIO><BLOQUE_DATOS>"
        "<grupo_datos seq='a\"b&apos;c'><grupo_datos><dato>1</dato><dato>x</dato></grupo_datos>"
        "</grupo_datos>"
        "<grupo_datos seq='d\"e'><grupo_datos><dato>2</dato><dato>x</dato></grupo_datos>"
        "</grupo_datos>"
        "<grupo_datos seq=\"f'g\"><grupo_datos><dato>3</dato><dato>x</dato></grupo_datos>"
        "</grupo_datos>"
        "</BLOQUE_DATOS></SERVICIO>");
    EXPECT_EQ(registrosDe(doc, "a\"b'c").size(), 1u);
    EXPECT_EQ(registrosDe(doc, "d\"e").at(0).valor(0), "2");
    EXPECT_EQ(registrosDe(doc, "f'g").at(0).valor(0), "3");
    EXPECT_TRUE(registrosDe(doc, "\"] | //dato | x[\"").empty());
    EXPECT_TRUE(registrosDe(doc, "").empty());
}

// ---- Academic year

struct YearCase {
    const char* what;
    std::string xml;
    std::string year;
};

void PrintTo(const YearCase& c, std::ostream* os) {
    *os << c.what;
}

class AnnoAcademico : public ::testing::TestWithParam<YearCase> {};

TEST_P(AnnoAcademico, FirstFourCharactersOfTheFirstGroupsText) {
    XmlDocument doc;
    doc.loadXml(GetParam().xml);
    EXPECT_EQ(annoAcademico(doc), GetParam().year);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnoAcademico,
    ::testing::Values(
        YearCase{"shorter_text_whole", readBytes(fixture("anno_07.xml")), "07"},
        YearCase{"text_of_all_items", readBytes(fixture("anno_2009.xml")), "2009"},
        YearCase{"characters_not_bytes",
                 "<SERVICIO><BLOQUE_DATOS><g>A\xC3\xB1o 2009</g></BLOQUE_DATOS></SERVICIO>",
                 "A\xF1o "},
        YearCase{"no_data_block", "<SERVICIO/>", ""},
        YearCase{"empty_data_block", "<SERVICIO><BLOQUE_DATOS/></SERVICIO>", ""}),
    [](const auto& info) { return std::string(info.param.what); });

// ---- Writing

TEST(Escritura, ADatoInFourMoves) {
    XmlDocument doc;
    doc.appendChild(doc.createElement("r"));
    XmlNode grupo = nuevoGrupo(doc, "HORARIO_REGULAR_PROFESOR_1");
    ponerRegistros(grupo, 12);
    doc.documentElement().appendChild(grupo);
    agregarDato(doc, grupo, "D_NOMBRE", "Mu\xF1oz 1\xBA \x80");
    agregarDato(doc, grupo, "VACIO", "");
    EXPECT_EQ(doc.toBytes(),
              "<r><grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_1\" registros=\"12\">"
              "<dato nombre_dato=\"D_NOMBRE\">Mu\xC3\xB1oz 1\xC2\xBA \xE2\x82\xAC</dato>"
              "<dato nombre_dato=\"VACIO\"/></grupo_datos></r>\n");
}

TEST(Escritura, HeaderReplacesTheRootAndKeepsWhatIsOutside) {
    XmlDocument doc;
    doc.load(fixture("latin1.xml"));
    const std::string anno = annoAcademico(doc);
    ASSERT_EQ(anno, "2009");
    const std::vector<Registro> antes = registrosDe(doc, "DEPENDENCIAS");

    XmlNode bloque = escribirCabecera(doc, "11/12/2026 13:05:00", anno);
    EXPECT_EQ(bloque.name(), "BLOQUE_DATOS");
    EXPECT_EQ(antes.at(0).valor(0), "A1");  // records of the old root stay readable
    EXPECT_TRUE(registrosDe(doc, "DEPENDENCIAS").empty());

    const std::string bytes = doc.toBytes();
    EXPECT_EQ(bytes,
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
              "<!-- Exportaci\xF3n de Ondivia -->\n"
              "<?generador versi\xF3n=\"3\"?>\n"
              "<!-- fin -->\n"
              "<SERVICIO modulo=\"HORARIOS\" tipo=\"I\" autor=\"HORARIOS\" "
              "fecha=\"11/12/2026 13:05:00\"><BLOQUE_DATOS>"
              "<grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\">2009</dato>"
              "</grupo_datos></BLOQUE_DATOS></SERVICIO>\n");
    // What the import appends next lands after the year group.
    bloque.appendChild(nuevoGrupo(doc, "HORARIOS_REGULARES"));
    EXPECT_EQ(bloque.selectNodes("grupo_datos").item(1).attribute("seq"), "HORARIOS_REGULARES");
}

TEST(Escritura, HeaderOnADocumentWithoutDataBlockOrRoot) {
    XmlDocument sinBloque;
    sinBloque.loadXml("<OTRO><x/></OTRO>");
    escribirCabecera(sinBloque, "f", "");
    EXPECT_EQ(sinBloque.toBytes(),
              "<SERVICIO modulo=\"HORARIOS\" tipo=\"I\" autor=\"HORARIOS\" fecha=\"f\">"
              "<BLOQUE_DATOS><grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\"/>"
              "</grupo_datos></BLOQUE_DATOS></SERVICIO>\n");

    XmlDocument vacio;
    EXPECT_EQ(escribirCabecera(vacio, "f", "07").name(), "BLOQUE_DATOS");
    EXPECT_EQ(vacio.documentElement().name(), "SERVICIO");
}

TEST(Escritura, SavedHeaderIsWellFormedLatin1) {
    if (!fs::exists("/usr/bin/xmllint")) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    std::string pattern = (fs::temp_directory_path() / "qv-exchange-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    XmlDocument doc;
    doc.load(fixture("latin1.xml"));
    XmlNode bloque = escribirCabecera(doc, "11/12/2026 13:05:00", annoAcademico(doc));
    XmlNode grupo = nuevoGrupo(doc, "HORARIOS_REGULARES");
    bloque.appendChild(grupo);
    agregarDato(doc, grupo, "D_NOMBRE",
                "Pe\xF1"
                "a \x80");
    const fs::path out = dir / "ResultadoVelkorlatin1.xml";
    doc.save(out);
    const std::string command = "/usr/bin/xmllint --noout '" + out.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(readBytes(out).find("Pe\xF1"
                                  "a &#8364;"),
              std::string::npos);
    fs::remove_all(dir);
}

}  // namespace
