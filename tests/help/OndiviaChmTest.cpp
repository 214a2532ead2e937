// The built help file ONDIVIA.chm read through chmlib and through independent readers, and the
// sitemap reader on small fixtures.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "help/ChmArchive.h"
#include "help/ChmSitemap.h"
#include "help/HelpContexts.h"

namespace qv::help {
namespace {

namespace fs = std::filesystem;

const std::string kChm = std::string(TM_BIN_DIR) + "/ONDIVIA.chm";

std::string runAndRead(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return output;
    }
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    pclose(pipe);
    return output;
}

bool programExists(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

void collectLocals(const std::vector<SitemapEntry>& entries, std::vector<std::string>& out) {
    for (const SitemapEntry& e : entries) {
        out.insert(out.end(), e.locals.begin(), e.locals.end());
        collectLocals(e.children, out);
    }
}

class OndiviaChm : public ::testing::Test {
protected:
    void SetUp() override {
        archive = ChmArchive::open(kChm);
        ASSERT_NE(archive, nullptr) << kChm;
    }
    std::unique_ptr<ChmArchive> archive;
};

TEST_F(OndiviaChm, ContextMapResolvesTheProgramsContexts) {
    // The compiler writes the build folder in front of the names; the reader strips it.
    EXPECT_EQ(archive->topicForContext(1).value_or("?"), "datos_profesores.htm");
    EXPECT_EQ(archive->topicForContext(3).value_or("?"), "ventana_principal.htm");
    EXPECT_FALSE(archive->topicForContext(2).has_value());
    EXPECT_FALSE(archive->topicForContext(99).has_value());
}

TEST_F(OndiviaChm, OwnContextTableAgreesWithTheFilesMap) {
    std::vector<std::uint32_t> contexts = archive->contexts();
    EXPECT_EQ(std::set<std::uint32_t>(contexts.begin(), contexts.end()),
              (std::set<std::uint32_t>{1, 3}));
    for (std::uint32_t context : contexts) {
        EXPECT_EQ(topicForContext(kChm, static_cast<int>(context)),
                  archive->topicForContext(context))
            << context;
    }
    EXPECT_FALSE(topicForContext("/otra/AYUDA.chm", 3).has_value());
    EXPECT_EQ(topicForContext("/x/ondivia.CHM", 3).value_or("?"), "ventana_principal.htm");
}

TEST_F(OndiviaChm, ContentsAndIndexPointAtTopicsOfTheFile) {
    EXPECT_EQ(archive->defaultTopic(), "inicio.htm");
    EXPECT_EQ(helpTextToUtf8(archive->title()), "Ayuda de Quorvane");
    std::optional<std::string> hhc = archive->read(archive->contentsFile());
    std::optional<std::string> hhk = archive->read(archive->indexFile());
    ASSERT_TRUE(hhc && hhk);
    std::vector<SitemapEntry> contents = parseSitemap(*hhc);
    std::vector<SitemapEntry> index = parseSitemap(*hhk);
    ASSERT_GE(contents.size(), 5u);
    EXPECT_EQ(contents[0].name, "Bienvenida a Quorvane");
    bool messages = false;
    for (const SitemapEntry& e : contents) {
        messages = messages || e.name == "Mensajes y qué hacer";
    }
    EXPECT_TRUE(messages) << "accented names are read back from Windows-1252";
    std::vector<std::string> locals;
    collectLocals(contents, locals);
    collectLocals(index, locals);
    EXPECT_GT(locals.size(), 40u);
    for (const std::string& local : locals) {
        EXPECT_TRUE(archive->contains(local)) << local;
    }
    for (const char* topic :
         {"inicio.htm", "exportar.htm", "importar.htm", "plantillas.htm", "datos_profesores.htm",
          "mensajes.htm", "archivos.htm", "ventana_principal.htm"}) {
        EXPECT_NE(std::find(locals.begin(), locals.end(), std::string(topic)), locals.end())
            << topic;
    }
}

TEST_F(OndiviaChm, TopicsQuoteTheProgramsMessages) {
    std::optional<std::string> page = archive->read("mensajes.htm");
    ASSERT_TRUE(page);
    std::string text = htmlToUtf8(*page);
    for (const char* message :
         {"No existe archivo", "Proceso finalizado",
          "ATENCIÓN - NIVELCAN.DBF No encontrado - Reinstale QUORVANE",
          "ATENCIÓN - PERIODOS.DBF No encontrado - Importe de nuevo XML de ONDIVIA.",
          "¡Atención! Sigue habiendo algún Profesor sin todos los DATOS.",
          "Este proceso se dentendrá y deberá volver a ejecutar",
          "la Importación, para poder corregir la incidencia", "no es un valor entero válido",
          "No se encuentra el campo", "Unable to write to"}) {
        EXPECT_NE(text.find(message), std::string::npos) << message;
    }
}

TEST(OndiviaChmReaders, ChmlsListsEveryTopic) {
    if (!programExists("chmls")) {
        GTEST_SKIP() << "chmls is not installed";
    }
    std::string listing = runAndRead("chmls -n list '" + kChm + "' 2>/dev/null");
    for (const char* topic :
         {"/inicio.htm", "/ventana_principal.htm", "/exportar.htm", "/plantillas.htm",
          "/importar.htm", "/datos_profesores.htm", "/mensajes.htm", "/archivos.htm",
          "/integrado.htm", "/estilo.css", "/ondivia.hhc", "/ondivia.hhk", "/#IVB", "/#STRINGS"}) {
        EXPECT_NE(listing.find(std::string(topic) + "\n"), std::string::npos) << topic;
    }
}

TEST(OndiviaChmReaders, ExtractChmLibGivesTheSameTopics) {
    if (!programExists("extract_chmLib")) {
        GTEST_SKIP() << "extract_chmLib is not installed";
    }
    fs::path out = fs::temp_directory_path() / ("ondivia-chm-" + std::to_string(getpid()));
    fs::remove_all(out);
    int rc =
        std::system(("extract_chmLib '" + kChm + "' '" + out.string() + "' >/dev/null").c_str());
    ASSERT_EQ(rc, 0);
    auto archive = ChmArchive::open(kChm);
    ASSERT_NE(archive, nullptr);
    for (const char* topic : {"inicio.htm", "ventana_principal.htm", "datos_profesores.htm",
                              "mensajes.htm", "estilo.css"}) {
        std::ifstream in(out / topic, std::ios::binary);
        std::string extracted((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        EXPECT_FALSE(extracted.empty()) << topic;
        EXPECT_EQ(archive->read(topic).value_or(""), extracted) << topic;
    }
    fs::remove_all(out);
}

TEST(ChmArchiveOpen, NotACompiledHelpFile) {
    EXPECT_EQ(ChmArchive::open("/nonexistent/ONDIVIA.chm"), nullptr);
    fs::path bogus = fs::temp_directory_path() / ("bogus-" + std::to_string(getpid()) + ".chm");
    std::ofstream(bogus) << "not a help file";
    EXPECT_EQ(ChmArchive::open(bogus.string()), nullptr);
    fs::remove(bogus);
}

TEST(Sitemap, ReadsNestingNamesAndTopics) {
    const char* text =
        "<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"ImageType\" "
        "value=\"Folder\"></OBJECT>\n"
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Uno &amp; dos\">"
        "<param name=\"Local\" value=\"uno.htm\"></OBJECT>\n"
        "<UL><li><object TYPE='text/sitemap'><PARAM NAME=name VALUE=Hijo>"
        "<param name=\"Local\" value=\"sub/hijo.htm#parte\"><param name=\"Local\" "
        "value=\"otro.htm\"></object></UL>\n"
        "<!-- <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Comentado\">"
        "</OBJECT> -->\n"
        "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Qu\xE9 hacer\">"
        "<param name=\"Local\" value=\"que.htm\"></OBJECT>\n"
        "</UL></BODY></HTML>";
    std::vector<SitemapEntry> entries = parseSitemap(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Uno & dos");
    EXPECT_EQ(entries[0].locals, std::vector<std::string>{"uno.htm"});
    ASSERT_EQ(entries[0].children.size(), 1u);
    EXPECT_EQ(entries[0].children[0].name, "Hijo");
    EXPECT_EQ(entries[0].children[0].locals,
              (std::vector<std::string>{"sub/hijo.htm#parte", "otro.htm"}));
    EXPECT_EQ(entries[1].name, "Qué hacer");
    EXPECT_TRUE(entries[1].children.empty());
}

TEST(Sitemap, BrokenInputGivesWhatItCan) {
    EXPECT_TRUE(parseSitemap("").empty());
    EXPECT_TRUE(parseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\"").empty());
    std::vector<SitemapEntry> unbalanced = parseSitemap(
        "</UL></UL><UL><UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" "
        "value=\"A\"></OBJECT>");
    ASSERT_EQ(unbalanced.size(), 1u);
    EXPECT_EQ(unbalanced[0].name, "A");
}

TEST(HelpText, DecodesByCharsetOrByContent) {
    EXPECT_EQ(helpTextToUtf8("Qu\xC3\xA9"), "Qué");
    EXPECT_EQ(helpTextToUtf8("Qu\xE9 \x80"), "Qué €");
    EXPECT_EQ(htmlToUtf8("<meta content=\"text/html; charset=windows-1252\">\xC3\xA9"),
              "<meta content=\"text/html; charset=windows-1252\">Ã©");
    EXPECT_EQ(htmlToUtf8("<meta charset=\"UTF-8\">\xC3\xA9"), "<meta charset=\"UTF-8\">é");
}

}  // namespace
}  // namespace qv::help
