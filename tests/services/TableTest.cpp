// The table object: round trips, creation and removal, locking, visibility between objects,
// navigation and editing, locate, filter and index order.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "TableTestSupport.h"
#include "services/Error.h"
#include "services/Table.h"

namespace qv {
namespace {

using test::TempFolder;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

std::vector<std::string> column(Table& table, const std::string& field) {
    std::vector<std::string> values;
    for (table.first(); !table.eof(); table.next()) {
        values.push_back(table.asString(field));
    }
    return values;
}

std::vector<std::string> folderListing(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<FieldDef> kProft{textField("ABREV", 4),       textField("NOMBRE", 40),
                                   textField("DEPART", 40),     integerField("DNI"),
                                   textField("X_EMPLEADO", 10), textField("F_TOMAPOS", 10)};

void addTeacher(Table& table, const std::string& abrev, const std::string& nombre) {
    table.append();
    table.setString("ABREV", abrev);
    table.setString("NOMBRE", nombre);
    table.post();
}

// --- round trips, create, remove ------------------------------------------------------------

TEST(TableRoundTrip, EveryKindAtBothLevelsReadsBackAsWritten) {
    for (bool level7 : {false, true}) {
        SCOPED_TRACE(level7 ? "dBase 7" : "dBase IV");
        TempFolder folder;
        std::vector<FieldDef> fields{textField("T", 8), integerField("I"), floatField("F"),
                                     logicalField("L")};
        if (level7) {
            fields.push_back(textField("OFERTAMATRI", 20));
        }
        Table::create(folder.path(), "R.DBF", fields);
        {
            Table table(folder.path(), "R.DBF");
            table.open(OpenMode::Exclusive);
            table.append();
            table.setString("T", "Matem\xE1ticas avanzadas");
            table.setInteger("I", -123456);
            table.setFloat("F", 12.75);
            table.setBoolean("L", true);
            table.post();
            table.append();
            table.post();
        }
        Table table(folder.path(), "R.DBF");
        table.open(OpenMode::Shared);
        ASSERT_EQ(table.recordCount(), 2);
        EXPECT_EQ(table.asString("T"), "Matem\xE1ti");
        EXPECT_EQ(table.asInteger("I"), -123456);
        EXPECT_EQ(table.asString("I"), "-123456");
        EXPECT_DOUBLE_EQ(table.asFloat("F"), 12.75);
        EXPECT_EQ(table.asString("F"), "12.75");
        EXPECT_TRUE(table.asBoolean("L"));
        EXPECT_EQ(table.asString("L"), "True");
        table.next();
        EXPECT_EQ(table.asString("T"), "");
        EXPECT_EQ(table.asInteger("I"), 0);
        EXPECT_EQ(table.asString("F"), "");
        EXPECT_DOUBLE_EQ(table.asFloat("F"), 0.0);
        EXPECT_FALSE(table.asBoolean("L"));
        EXPECT_TRUE(table.isNull("L"));
        ASSERT_EQ(table.fields().size(), fields.size());
        EXPECT_EQ(table.fields()[1].kind, FieldKind::Integer);
        EXPECT_EQ(table.fields()[2].kind, FieldKind::Float);
        EXPECT_EQ(table.fields()[3].kind, FieldKind::Logical);
        EXPECT_EQ(table.fields()[0].width, 8);
    }
}

TEST(TableCreate, ReplacesAnEarlierTableOfThatNameWhateverItsCaseAndLeavesNoTemporaryFile) {
    TempFolder folder;
    Table::create(folder.path(), "proft.dbf", kProft);
    {
        Table table(folder.path(), "proft.dbf");
        table.open(OpenMode::Exclusive);
        addTeacher(table, "OLD", "Old row");
    }
    Table::create(folder.path(), "PROFT.DBF", kProft);
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"PROFT.DBF"}));
    Table table(folder.path(), "proft.dbf");
    table.open(OpenMode::Shared);
    EXPECT_EQ(table.recordCount(), 0);
    EXPECT_EQ(table.path(), folder / "PROFT.DBF");

    Table::create(folder.path(), "T.DBF", {integerField("N")}, {{"N", "N"}});
    std::filesystem::rename(folder / "T.DBF", folder / "t.dbf");
    std::filesystem::rename(folder / "T.MDX", folder / "t.mdx");
    Table::create(folder.path(), "T.DBF", {integerField("N")}, {{"N", "N"}});
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"PROFT.DBF", "T.DBF", "T.MDX"}));
}

TEST(TableCreate, WithoutIndexDropsTheIndexOfAnEarlierTable) {
    TempFolder folder;
    Table::create(folder.path(), "T.DBF", {integerField("ORDEN")}, {{"ORDEN", "ORDEN"}});
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"T.DBF", "T.MDX"}));
    Table::create(folder.path(), "T.DBF", {integerField("ORDEN")});
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"T.DBF"}));
}

TEST(TableCreate, BadSchemasAreRefusedWithTheReason) {
    TempFolder folder;
    const std::string path = (folder / "T.DBF").string();
    struct Case {
        std::vector<FieldDef> fields;
        std::vector<IndexDef> indexes;
        std::string reason;
    };
    const Case cases[] = {
        {{}, {}, "no tiene campos"},
        {{textField("A", 0)}, {}, "el campo A tiene una longitud de 0 (de 1 a 254)"},
        {{textField("A", 255)}, {}, "el campo A tiene una longitud de 255 (de 1 a 254)"},
        {{textField("A B", 1)}, {}, "el nombre de campo 'A B' no es válido"},
        {{textField(std::string(32, 'A'), 1)},
         {},
         "el nombre de campo '" + std::string(32, 'A') + "' no es válido"},
        {{textField("A", 1), textField("a", 1)}, {}, "el campo a está repetido"},
        {{textField("A", 1)}, {{"I", "B"}}, "el índice I usa el campo B, que la tabla no tiene"},
        {{textField("A", 101)}, {{"I", "A"}}, "el campo A es demasiado largo para un índice"},
        {{textField("A", 1)},
         {{"DEMASIADOLARGO", "A"}},
         "el nombre de índice 'DEMASIADOLARGO' no es válido"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(messageOf([&] { Table::create(folder.path(), "T.DBF", c.fields, c.indexes); }),
                  "No se puede crear la tabla " + path + ": " + c.reason);
    }
    EXPECT_TRUE(folderListing(folder).empty());
}

TEST(TableCreate, MissingFolderIsReported) {
    TempFolder folder;
    std::string message =
        messageOf([&] { Table::create(folder / "nope", "T.DBF", {textField("A", 1)}); });
    EXPECT_EQ(message, "No se puede crear la tabla " + (folder / "nope" / "T.DBF").string() +
                           ": no existe la carpeta o el archivo");
}

TEST(TableRemove, DeletesTableAndIndexButNotWhatSomeoneHolds) {
    TempFolder folder;
    Table::create(folder.path(), "T.DBF", {integerField("ORDEN")}, {{"ORDEN", "ORDEN"}});
    Table::create(folder.path(), "u.dbf", {integerField("N")});
    Table::removeFiles(folder.path(), "T");
    Table::removeFiles(folder.path(), "NONE");
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"u.dbf"}));

    Table::create(folder.path(), "T.DBF", {integerField("ORDEN")}, {{"ORDEN", "ORDEN"}});
    Table held(folder.path(), "T.DBF");
    held.open(OpenMode::Shared);
    Table::removeFiles(folder.path(), "T");
    Table::removeFiles(folder.path(), "U");
    EXPECT_EQ(folderListing(folder), (std::vector<std::string>{"T.DBF", "T.MDX"}));
    held.close();
    Table::removeFiles(folder.path(), "T");
    EXPECT_TRUE(folderListing(folder).empty());
}

// --- errors ---------------------------------------------------------------------------------

TEST(TableErrors, MessagesNameTheFileOrTheObject) {
    TempFolder folder;
    const std::string soluc = (folder / "SOLUC.DBF").string();
    Table missing(folder.path(), "SOLUC.DBF");
    EXPECT_EQ(messageOf([&] { missing.open(OpenMode::Exclusive); }), "No existe la tabla " + soluc);

    Table::create(folder.path(), "PROFT.DBF", kProft);
    Table named(folder.path(), "proft.dbf", "wwTableProft");
    named.open(OpenMode::Shared);
    EXPECT_EQ(messageOf([&] { named.asString("XYZ"); }),
              "wwTableProft: No se encuentra el campo 'XYZ'");
    Table unnamed(folder.path(), "PROFT.DBF");
    unnamed.open(OpenMode::Shared);
    EXPECT_EQ(messageOf([&] { unnamed.asInteger("DIA"); }), "No se encuentra el campo 'DIA'");
    EXPECT_TRUE(unnamed.hasField("abrev"));
    EXPECT_FALSE(unnamed.hasField("ABREVIATURA"));

    named.append();
    named.setString("abrev", "X1");  // field names match whatever their case
    named.setString("X_EMPLEADO", "12a");
    named.post();
    EXPECT_EQ(named.asString("ABREV"), "X1");
    EXPECT_EQ(messageOf([&] { named.asInteger("X_EMPLEADO"); }),
              "'12a' no es un valor entero válido");
    EXPECT_THROW(named.asInteger("X_EMPLEADO"), ConversionError);
    EXPECT_EQ(named.asInteger("F_TOMAPOS"), 0);
    EXPECT_EQ(messageOf([&] { named.setString("ABREV", "Y"); }),
              "La tabla " + (folder / "PROFT.DBF").string() +
                  " no está en modo de edición: no se puede cambiar el campo ABREV");

    Table closed(folder.path(), "PROFT.DBF");
    EXPECT_EQ(messageOf([&] { closed.first(); }),
              "La tabla " + (folder / "PROFT.DBF").string() + " no está abierta");
}

// --- locking --------------------------------------------------------------------------------

TEST(TableLocking, SharedOpensCoexistAndExclusiveIsRefusedWhileAnotherObjectHoldsTheFile) {
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF", kProft);
    const std::string inUse = "No se puede abrir la tabla " + (folder / "PROFT.DBF").string() +
                              ": está en uso por otro programa";
    Table a(folder.path(), "PROFT.DBF");
    Table b(folder.path(), "PROFT.DBF");
    Table c(folder.path(), "PROFT.DBF");
    a.open(OpenMode::Shared);
    b.open(OpenMode::Shared);
    EXPECT_EQ(messageOf([&] { c.open(OpenMode::Exclusive); }), inUse);
    EXPECT_FALSE(c.active());
    EXPECT_EQ(messageOf([&] { Table::create(folder.path(), "PROFT.DBF", kProft); }),
              "No se puede crear la tabla " + (folder / "PROFT.DBF").string() +
                  ": está en uso por otro programa");
    a.close();
    b.close();
    c.open(OpenMode::Exclusive);
    EXPECT_EQ(messageOf([&] { a.open(OpenMode::Shared); }), inUse);
    EXPECT_EQ(messageOf([&] { b.open(OpenMode::Exclusive); }), inUse);
    c.close();
    a.open(OpenMode::Exclusive);
}

TEST(TableLocking, TheIndexIsHeldWithItsTable) {
    TempFolder folder;
    Table::create(folder.path(), "T.DBF", {integerField("ORDEN")}, {{"ORDEN", "ORDEN"}});
    Table a(folder.path(), "T.DBF");
    a.open(OpenMode::Exclusive);
    // Only the index stays behind once the table is gone: someone still holds it.
    std::filesystem::rename(folder / "T.DBF", folder / "OTHER.DBF");
    EXPECT_EQ(messageOf([&] {
                  Table::create(folder.path(), "T.DBF", {integerField("N")}, {{"ORDEN", "N"}});
              }),
              "No se puede crear la tabla " + (folder / "T.DBF").string() + ": su índice " +
                  (folder / "T.MDX").string() + " está en uso por otro programa");
    EXPECT_FALSE(std::filesystem::exists(folder / "T.DBF"));
    Table::removeFiles(folder.path(), "T");
    EXPECT_TRUE(std::filesystem::exists(folder / "T.MDX"));
}

// A child process that holds a classic POSIX lock until told to go.
class LockingChild {
public:
    LockingChild(const std::filesystem::path& file, short type) {
        int ready[2];
        int release[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(release), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            int fd = ::open(file.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
            struct flock fl {};
            fl.l_type = type;
            fl.l_whence = SEEK_SET;
            char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0) ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            char go;
            (void)!::read(release[0], &go, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char ok = 'n';
        EXPECT_EQ(::read(ready[0], &ok, 1), 1);
        ::close(ready[0]);
        m_locked = ok == 'y';
    }
    ~LockingChild() {
        ::close(m_release);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    bool locked() const { return m_locked; }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_locked = false;
};

TEST(TableLocking, AnotherProcessHoldingTheFileIsRespected) {
    TempFolder folder;
    Table::create(folder.path(), "SOLUC.DBF", {textField("PROF", 4)});
    const std::filesystem::path file = folder / "SOLUC.DBF";
    const std::string inUse =
        "No se puede abrir la tabla " + file.string() + ": está en uso por otro programa";
    {
        LockingChild reader(file, F_RDLCK);
        ASSERT_TRUE(reader.locked());
        Table table(folder.path(), "SOLUC.DBF");
        EXPECT_EQ(messageOf([&] { table.open(OpenMode::Exclusive); }), inUse);
        table.open(OpenMode::Shared);  // readers coexist
        table.close();
        Table::removeFiles(folder.path(), "SOLUC");
        EXPECT_TRUE(std::filesystem::exists(file));
    }
    {
        LockingChild writer(file, F_WRLCK);
        ASSERT_TRUE(writer.locked());
        Table table(folder.path(), "SOLUC.DBF");
        EXPECT_EQ(messageOf([&] { table.open(OpenMode::Shared); }), inUse);
        EXPECT_NE(messageOf([&] {
                      Table::create(folder.path(), "SOLUC.DBF", {textField("A", 1)});
                  }).find("está en uso por otro programa"),
                  std::string::npos);
    }
    Table table(folder.path(), "SOLUC.DBF");
    table.open(OpenMode::Exclusive);
    {
        // And the other way round: our exclusive open keeps the other program out.
        LockingChild reader(file, F_RDLCK);
        EXPECT_FALSE(reader.locked());
    }
}

// --- visibility between objects -------------------------------------------------------------

TEST(TableVisibility, RowsPostedThroughOneObjectAreSeenByAnotherAtItsFirstRow) {
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF", kProft);
    Table writer(folder.path(), "PROFT.DBF");
    Table reader(folder.path(), "proft.dbf");
    writer.open(OpenMode::Shared);
    reader.open(OpenMode::Shared);
    addTeacher(writer, "ANA", "Ana");
    EXPECT_EQ(reader.recordCount(), 0);
    reader.first();
    EXPECT_EQ(reader.recordCount(), 1);
    EXPECT_EQ(reader.asString("ABREV"), "ANA");

    // An edit in place keeps the size; the object still notices it.
    writer.first();
    writer.edit();
    writer.setString("X_EMPLEADO", "123");
    writer.post();
    reader.first();
    EXPECT_EQ(reader.asString("X_EMPLEADO"), "123");

    // Both append: neither overwrites the other's row.
    addTeacher(reader, "BEA", "Bea");
    addTeacher(writer, "CAR", "Carlos");
    reader.first();
    writer.first();
    EXPECT_EQ(column(reader, "ABREV"), (std::vector<std::string>{"ANA", "BEA", "CAR"}));
    EXPECT_EQ(column(writer, "ABREV"), (std::vector<std::string>{"ANA", "BEA", "CAR"}));
}

TEST(TableVisibility, AnEditByAnotherProcessIsSeenAtTheFirstRow) {
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF", kProft);
    Table table(folder.path(), "PROFT.DBF");
    table.open(OpenMode::Shared);
    addTeacher(table, "ANA", "Ana");
    // Let the file's clock move on, so the other process's write gets a later time stamp.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pid_t pid = ::fork();
    if (pid == 0) {
        int code = 1;
        try {
            Table other(folder.path(), "PROFT.DBF");
            other.open(OpenMode::Shared);
            other.edit();
            other.setString("F_TOMAPOS", "01/09/2020");
            other.post();
            code = 0;
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(table.asString("F_TOMAPOS"), "");  // held in memory until the first row
    table.first();
    EXPECT_EQ(table.asString("F_TOMAPOS"), "01/09/2020");
}

// --- the index file -------------------------------------------------------------------------

TEST(TableIndexFile, DamagedMissingOrForeignIndexes) {
    TempFolder folder;
    const std::vector<FieldDef> fields{textField("NOMBRE", 6), integerField("ORDEN")};
    Table::create(folder.path(), "T.DBF", fields, {{"ORDEN", "ORDEN"}});
    const std::string mdx = (folder / "T.MDX").string();
    std::string pristine = test::readBytes(folder / "T.MDX");

    // Damaged: the table does not open, and says which file is at fault.
    test::writeBytes(folder / "T.MDX", pristine.substr(0, 1000));
    Table table(folder.path(), "T.DBF");
    EXPECT_EQ(messageOf([&] { table.open(OpenMode::Shared); }),
              "El índice " + mdx +
                  " está dañado: mide 1000 bytes, menos que la cabecera de un "
                  "índice .MDX");
    std::string badPage = pristine;
    badPage[544] = 100;  // tag header beyond the end
    test::writeBytes(folder / "T.MDX", badPage);
    EXPECT_EQ(messageOf([&] { table.open(OpenMode::Shared); }),
              "El índice " + mdx +
                  " está dañado: la etiqueta ORDEN apunta a la página 100, fuera del archivo");

    // A tag whose key is an expression we cannot evaluate: reading works, writing is refused
    // rather than leaving the index out of step with the rows.
    std::string foreign = pristine;
    foreign.replace(4 * 512 + 24, 13, std::string("UPPER(NOMBRE)"));
    test::writeBytes(folder / "T.MDX", foreign);
    table.open(OpenMode::Shared);
    EXPECT_EQ(table.recordCount(), 0);
    EXPECT_EQ(messageOf([&] { table.append(); }),
              "No se puede escribir en la tabla " + (folder / "T.DBF").string() + ": su índice " +
                  mdx + " tiene la etiqueta ORDEN, que este programa no sabe mantener");
    EXPECT_THROW(table.setIndexName("ORDEN"), TableError);
    table.close();

    // Flagged in the table but gone: rows read in file order.
    std::filesystem::remove(folder / "T.MDX");
    table.open(OpenMode::Shared);
    table.append();
    table.setString("NOMBRE", "x");
    table.post();
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_THROW(table.setIndexName("ORDEN"), TableError);
}

// --- navigation and editing -----------------------------------------------------------------

TEST(TableNavigation, FirstNextPriorLastAndRowNumbers) {
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF", kProft);
    Table table(folder.path(), "PROFT.DBF");
    table.open(OpenMode::Exclusive);
    EXPECT_TRUE(table.eof());
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.recNo(), 0);
    EXPECT_EQ(table.asString("ABREV"), "");
    for (const char* a : {"A", "B", "C"}) {
        addTeacher(table, a, a);
    }
    table.first();
    EXPECT_TRUE(table.bof());
    EXPECT_FALSE(table.eof());
    EXPECT_EQ(table.recNo(), 1);
    table.next();
    table.next();
    EXPECT_EQ(table.asString("ABREV"), "C");
    EXPECT_FALSE(table.eof());
    table.next();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.asString("ABREV"), "C");
    table.prior();
    EXPECT_EQ(table.asString("ABREV"), "B");
    table.last();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.recNo(), 3);
    table.setRecNo(2);
    EXPECT_EQ(table.asString("ABREV"), "B");
    EXPECT_EQ(messageOf([&] { table.setRecNo(4); }),
              "La tabla " + (folder / "PROFT.DBF").string() + " no tiene la fila 4");
    table.first();
    table.prior();
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.asString("ABREV"), "A");
}

TEST(TableEditing, AppendCancelEditPostAndLeavingARowPostsIt) {
    TempFolder folder;
    Table::create(folder.path(), "PROFT.DBF", kProft);
    const auto size = [&] { return std::filesystem::file_size(folder / "PROFT.DBF"); };
    Table table(folder.path(), "PROFT.DBF");
    table.open(OpenMode::Shared);
    EXPECT_EQ(table.state(), TableState::Browse);
    addTeacher(table, "A", "Ana");
    addTeacher(table, "B", "Bea");
    const auto twoRows = size();

    table.append();
    EXPECT_EQ(table.state(), TableState::Insert);
    table.setString("ABREV", "Z");
    EXPECT_EQ(table.asString("ABREV"), "Z");
    table.cancel();
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(size(), twoRows);
    EXPECT_EQ(table.recordCount(), 2);

    table.first();
    table.edit();
    EXPECT_EQ(table.state(), TableState::Edit);
    table.setString("X_EMPLEADO", "777");
    table.next();  // moving on posts, as a grid does
    EXPECT_EQ(table.state(), TableState::Browse);
    EXPECT_EQ(table.asString("ABREV"), "B");
    EXPECT_EQ(size(), twoRows);

    table.edit();
    table.setString("X_EMPLEADO", "888");
    table.close();  // an edit not posted is dropped
    table.open(OpenMode::Shared);
    EXPECT_EQ(column(table, "X_EMPLEADO"), (std::vector<std::string>{"777", ""}));

    table.first();
    table.edit();
    table.clear("X_EMPLEADO");
    table.post();
    EXPECT_TRUE(table.isNull("X_EMPLEADO"));
    EXPECT_EQ(table.recNo(), 1);
}

// --- locate, filter, index ------------------------------------------------------------------

class TableSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        Table::create(m_folder.path(), "SOLUC.DBF",
                      {textField("PROF", 4), integerField("DIA"), textField("ASIG", 6),
                       floatField("HORAS"), integerField("ORDEN")},
                      {{"ORDEN", "ORDEN"}});
        m_table.setLocation(m_folder.path(), "SOLUC.DBF");
        m_table.open(OpenMode::Shared);
        struct Row {
            const char* prof;
            int dia;
            const char* asig;
            double horas;
            int orden;
        };
        const Row rows[] = {{"AB", 1, "MAT", 2.5, 30},
                            {"O'B", 2, "LEN", 1, 10},
                            {"ab", 3, "MAT", 3, 20},
                            {"AB", 0, "FIS", 4, 10},
                            {"AB", 5, "MAT", 2.5, 20}};
        for (const Row& r : rows) {
            m_table.append();
            m_table.setString("PROF", r.prof);
            m_table.setInteger("DIA", r.dia);
            m_table.setString("ASIG", r.asig);
            m_table.setFloat("HORAS", r.horas);
            m_table.setInteger("ORDEN", r.orden);
            m_table.post();
        }
        m_table.first();
    }

    TempFolder m_folder;
    Table m_table;
};

TEST_F(TableSearchTest, LocateMatchesExactlyAndKeepsThePositionWhenNothingMatches) {
    struct Case {
        const char* fields;
        std::vector<std::string> values;
        int dia;  // DIA of the row found, -1 when none
    };
    const Case cases[] = {
        {"PROF", {"AB"}, 1},
        {"PROF", {"ab"}, 3},              // case-sensitive
        {"PROF", {"AB  "}, 1},            // pad blanks aside
        {"PROF", {"A"}, -1},              // no prefix match
        {"PROF", {"AB   "}, -1},          // longer than the field
        {"PROF;ASIG", {"AB", "FIS"}, 0},  // every field must match
        {"prof; asig", {"AB", "LEN"}, -1},
        {"DIA", {"5"}, 5},  // numbers compare by value
        {"DIA", {" 05 "}, 5},
        {"HORAS", {"2.5"}, 1},
        {"HORAS", {"2.50"}, 1},
        {"ORDEN;PROF", {"20", "AB"}, 5},
        {"PROF", {"O'B"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fields) + " = " + c.values[0]);
        m_table.setRecNo(3);
        bool found = m_table.locate(c.fields, c.values);
        EXPECT_EQ(found, c.dia >= 0);
        EXPECT_EQ(m_table.asInteger("DIA"), c.dia >= 0 ? c.dia : 3);
    }
    EXPECT_EQ(messageOf([&] {
                  m_table.locate("PROF;NADA", {"AB", "x"});
              }),
              "No se encuentra el campo 'NADA'");
    EXPECT_THROW(m_table.locate("PROF;DIA", {"AB"}), TableError);
}

TEST_F(TableSearchTest, FilterShowsOnlyTheRowsWithTheValue) {
    struct Case {
        const char* expression;
        std::vector<std::string> dias;
    };
    const Case cases[] = {
        {"PROF= 'AB'", {"1", "0", "5"}},
        {"PROF='AB'", {"1", "0", "5"}},
        {"  PROF  =   'ab'  ", {"3"}},
        {"PROF= 'O''B'", {"2"}},
        {"PROF= 'XX'", {}},
        {"PROF= ''", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        m_table.setFilter(c.expression);
        m_table.setFiltered(true);
        EXPECT_EQ(column(m_table, "DIA"), c.dias);
        EXPECT_EQ(m_table.recordCount(), static_cast<int>(c.dias.size()));
    }
    m_table.setFiltered(false);
    EXPECT_EQ(m_table.recordCount(), 5);

    for (const char* bad : {"PROF = AB", "PROF 'AB'", "PROF= 'AB", "PROF= 'AB' AND DIA= '1'",
                            "= 'AB'", "PROF== 'AB'", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(messageOf([&] { m_table.setFilter(bad); }),
                  "El filtro '" + std::string(bad) + "' de la tabla " +
                      (m_folder / "SOLUC.DBF").string() +
                      " no es válido: se espera CAMPO= 'VALOR'");
    }
    m_table.setFilter("NADA= 'x'");
    EXPECT_THROW(m_table.setFiltered(true), TableError);
}

TEST_F(TableSearchTest, IndexOrderPutsEqualKeysInRecordOrderAndCombinesWithTheFilter) {
    m_table.setIndexName("orden");
    EXPECT_EQ(column(m_table, "DIA"), (std::vector<std::string>{"2", "0", "3", "5", "1"}));
    m_table.setFilter("PROF= 'AB'");
    m_table.setFiltered(true);
    EXPECT_EQ(column(m_table, "DIA"), (std::vector<std::string>{"0", "5", "1"}));
    // A row appended while in index order takes its place in it.
    m_table.append();
    m_table.setString("PROF", "AB");
    m_table.setInteger("DIA", 9);
    m_table.setInteger("ORDEN", 15);
    m_table.post();
    EXPECT_EQ(m_table.asInteger("DIA"), 9);
    EXPECT_EQ(column(m_table, "DIA"), (std::vector<std::string>{"0", "9", "5", "1"}));
    m_table.setIndexName("");
    EXPECT_EQ(column(m_table, "DIA"), (std::vector<std::string>{"1", "0", "5", "9"}));
    EXPECT_EQ(messageOf([&] { m_table.setIndexName("NOMBRE"); }),
              "La tabla " + (m_folder / "SOLUC.DBF").string() + " no tiene el índice 'NOMBRE'");
}

}  // namespace
}  // namespace qv
