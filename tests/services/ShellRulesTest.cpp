// The shell's rules: the INI writer, the command line, the error handler's full stop.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "services/CommandLine.h"
#include "services/Error.h"
#include "services/ErrorText.h"
#include "services/IniFile.h"

namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "qv-shell-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

struct IniCase {
    const char* name;
    const char* before;  // nullptr: no file yet
    int value;
    const char* after;
};

const IniCase kIniCases[] = {
    {"new file", nullptr, 1, "[Transformadores]\r\nTransformado=1\r\n"},
    {"empty file", "", -1, "[Transformadores]\r\nTransformado=-1\r\n"},
    {"other sections, keys and comments kept, section appended",
     "; Velkorin\r\n[General]\r\nIdioma=ES\r\n\r\n[Rutas]\r\nDatos=C:\\VTEMP\r\n", 0,
     "; Velkorin\r\n[General]\r\nIdioma=ES\r\n\r\n[Rutas]\r\nDatos=C:\\VTEMP\r\n"
     "[Transformadores]\r\nTransformado=0\r\n"},
    {"key replaced ignoring case, its spelling kept",
     "[TRANSFORMADORES]\r\ntransformado=0\r\nOtro=7\r\n", 1,
     "[TRANSFORMADORES]\r\ntransformado=1\r\nOtro=7\r\n"},
    {"blanks around key and value", "[ Transformadores ]\r\n  Transformado = 5 \r\n", -1,
     "[ Transformadores ]\r\nTransformado=-1\r\n"},
    {"key added at the end of its section, before the blank line and the next section",
     "[Transformadores]\r\nOtro=7\r\n\r\n[General]\r\nTransformado=9\r\n", 1,
     "[Transformadores]\r\nOtro=7\r\nTransformado=1\r\n\r\n[General]\r\nTransformado=9\r\n"},
    {"a key of the same name in another section is not touched", "[General]\r\nTransformado=9\r\n",
     1, "[General]\r\nTransformado=9\r\n[Transformadores]\r\nTransformado=1\r\n"},
    {"a commented-out key is not the key", "[Transformadores]\n;Transformado=3\n", 1,
     "[Transformadores]\n;Transformado=3\nTransformado=1\n"},
    {"line feeds alone stay line feeds", "[a]\nb=c\n", 1,
     "[a]\nb=c\n[Transformadores]\nTransformado=1\n"},
    {"last line without its end of line", "[Transformadores]\r\nTransformado=0", 1,
     "[Transformadores]\r\nTransformado=1"},
    {"section as the last line", "[x]\r\n[Transformadores]", 1,
     "[x]\r\n[Transformadores]\r\nTransformado=1\r\n"},
    {"only the first of two sections of that name",
     "[Transformadores]\r\nA=1\r\n[transformadores]\r\nTransformado=0\r\n", 1,
     "[Transformadores]\r\nA=1\r\nTransformado=1\r\n[transformadores]\r\nTransformado=0\r\n"},
};

TEST(IniFile, SetsTheValueAndKeepsEveryOtherLine) {
    for (const IniCase& c : kIniCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const fs::path ini = folder.path() / "Velkorin.ini";
        if (c.before != nullptr) {
            writeAll(ini, c.before);
        }
        qv::writeIniInteger(ini, "Transformadores", "Transformado", c.value);
        EXPECT_EQ(readAll(ini), c.after);
        // Nothing is left behind beside the file.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  1);
    }
}

TEST(IniFile, ReportsAFileItCannotWrite) {
    TempFolder folder;
    const fs::path missingFolder = folder.path() / "no-existe" / "Velkorin.ini";
    const fs::path directory = folder.path() / "Velkorin.ini";
    fs::create_directory(directory);
    fs::path both[] = {missingFolder, directory};
    for (const fs::path& path : both) {
        SCOPED_TRACE(path.string());
        try {
            qv::writeIniInteger(path, "Transformadores", "Transformado", 1);
            ADD_FAILURE() << "no error";
        } catch (const qv::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
        }
    }
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_TRUE(fs::is_empty(directory));
    EXPECT_FALSE(fs::exists(folder.path() / "no-existe"));
}

struct ArgumentsCase {
    std::vector<std::string> arguments;
    bool embedding;
    bool import;
    bool exportRun;
    std::int32_t host;  // when embedding and the handle converts
};

TEST(CommandLine, ModeDirectionAndHostWindow) {
    const ArgumentsCase cases[] = {
        {{}, false, false, false, 0},
        {{"EXPORTAR", "1A2B"}, true, false, true, 0x1A2B},
        {{"ImPoRtAr", "ff"}, true, true, false, 0xFF},
        {{"ayuda", "1A2B"}, true, false, false, 0x1A2B},
        // Only A to Z are lower-cased: a Turkish capital dotted I stays as it is.
        {{"\xC4\xB0MPORTAR", "10"}, true, false, false, 0x10},
        {{"exportar"}, false, false, false, 0},
        {{"exportar", "1A2B", "extra"}, false, false, false, 0},
    };
    for (const ArgumentsCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const qv::CommandLine line(c.arguments);
        EXPECT_EQ(line.asksForEmbedding(), c.embedding);
        EXPECT_EQ(line.asksForImport(), c.import);
        EXPECT_EQ(line.asksForExport(), c.exportRun);
        if (c.embedding) {
            EXPECT_EQ(line.hostWindow(), c.host);
        }
    }
}

TEST(CommandLine, HandleThatIsNotHexadecimalDigits) {
    for (const char* handle : {"xyz", "0x1A", "", "1A 2B"}) {
        SCOPED_TRACE(handle);
        const qv::CommandLine line({"importar", handle});
        try {
            line.hostWindow();
            ADD_FAILURE() << "no error";
        } catch (const qv::ConversionError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'$") + handle + "' no es un valor entero válido");
        }
    }
}

TEST(ErrorText, FullStopWhenTheLastCharacterSortsAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"'$xyz' no es un valor entero válido", "'$xyz' no es un valor entero válido."},
        {"Unable to write to /a/Velkorin.ini", "Unable to write to /a/Velkorin.ini."},
        {"Ya termina.", "Ya termina."},
        {"Entre paréntesis (1)", "Entre paréntesis (1)"},
        {"¡Atención!", "¡Atención!"},
        {"Fin -", "Fin -"},
        {"Termina en dígito 7", "Termina en dígito 7."},
        {"Termina en barra /", "Termina en barra /."},
        {"Termina en acento á", "Termina en acento á."},
        {"", ""},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(qv::withFullStop(text), shown);
    }
}

}  // namespace
