#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "TableTestSupport.h"
#include "services/Paths.h"

using namespace qv;
namespace fs = std::filesystem;

using qv::test::TempFolder;

namespace {

// Sets (or unsets) an environment variable for the scope, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

void touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

TEST(WorkFolder, IsDriveCVtempOfTheWinePrefix) {
    TempFolder prefix;
    ScopedEnv wine("WINEPREFIX", prefix.path().string());
    EXPECT_EQ(workFolder(), prefix.path() / "drive_c" / "VTEMP");
}

TEST(WorkFolder, PrefixDefaultsToDotWineInHome) {
    TempFolder home;
    ScopedEnv wine("WINEPREFIX", std::nullopt);
    ScopedEnv homeVar("HOME", home.path().string());
    EXPECT_EQ(workFolder(), home.path() / ".wine" / "drive_c" / "VTEMP");
}

TEST(WorkFolder, EmptyPrefixCountsAsUnset) {
    TempFolder home;
    ScopedEnv wine("WINEPREFIX", std::string());
    ScopedEnv homeVar("HOME", home.path().string());
    EXPECT_EQ(workFolder(), home.path() / ".wine" / "drive_c" / "VTEMP");
}

TEST(ProgramFolder, IsTheFolderOfTheTestExecutable) {
    EXPECT_EQ(fs::canonical(programFolder()), fs::canonical(TM_BIN_DIR));
}

TEST(FindFile, MatchesWhateverTheLetterCase) {
    TempFolder dir;
    touch(dir.path() / "Soluc.dbf");
    EXPECT_EQ(findFile(dir.path(), "SOLUC.DBF"), dir.path() / "Soluc.dbf");
    EXPECT_EQ(findFile(dir.path(), "soluc.DBF"), dir.path() / "Soluc.dbf");
}

TEST(FindFile, PrefersTheExactNameThenTheFirstInNameOrder) {
    TempFolder dir;
    touch(dir.path() / "proft.dbf");
    touch(dir.path() / "Proft.dbf");
    touch(dir.path() / "PROFT.DBF");
    EXPECT_EQ(findFile(dir.path(), "proft.dbf"), dir.path() / "proft.dbf");
    EXPECT_EQ(findFile(dir.path(), "PROFT.dbf"), dir.path() / "PROFT.DBF");
}

TEST(FindFile, GivesTheNameAsWrittenWhenNothingMatches) {
    TempFolder dir;
    touch(dir.path() / "PROFT.DBF.bak");
    EXPECT_EQ(findFile(dir.path(), "PROFT.DBF"), dir.path() / "PROFT.DBF");
    EXPECT_EQ(findFile(dir.path() / "missing", "PROFT.DBF"), dir.path() / "missing" / "PROFT.DBF");
}

TEST(FileExists, OnlyRegularFiles) {
    TempFolder dir;
    touch(dir.path() / "a.xml");
    EXPECT_TRUE(fileExists(dir.path() / "a.xml"));
    EXPECT_FALSE(fileExists(dir.path() / "b.xml"));
    EXPECT_FALSE(fileExists(dir.path()));
    EXPECT_FALSE(fileExists(fs::path()));
}

}  // namespace
