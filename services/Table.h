#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "services/CalendarDate.h"
#include "services/TableSchema.h"

namespace qv {

enum class OpenMode { Shared, Exclusive };
enum class TableState { Inactive, Browse, Edit, Insert };

// A dBase table object, bound to a file by folder and name the way the main window's
// components are. Values are ANSI (Windows-1252) text. Every failure throws TableError (or
// ConversionError for a value that is not a whole number); the destructor never throws.
//
// Shared opens of one file coexist; an exclusive open is refused while any other object or
// process holds the file. A row posted through one object is written to the file at once and is
// seen by every other object on that file when it goes back to its first row. In a folder this
// process registered as private (services/PrivateFolder.h) posted rows are written when the
// table closes instead, or as soon as another object reads the file: no one else can look.
class Table {
public:
    // objectName prefixes the "No se encuentra el campo" message ("wwTableProft: ...").
    explicit Table(std::string objectName = {});
    Table(std::filesystem::path folder, std::string fileName, std::string objectName = {});
    ~Table();
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Binds the object to FOLDER/FILENAME; the table must be closed.
    void setLocation(std::filesystem::path folder, std::string fileName);
    // The file the object is bound to, its name matched whatever its letter case.
    std::filesystem::path path() const;
    const std::string& objectName() const;
    // Where posts take the header's date of last update from (the local date by default).
    void setDateSource(DateSource today);

    // Writes an empty table, and a production .MDX when it has indexes, replacing any table of
    // that name whatever its letter case; the new files get the name as given. The dBase level is
    // the lowest that holds the schema (IV, or 7 for a field name longer than 10 characters).
    // Refused when another object or process holds the file.
    static void create(const std::filesystem::path& folder, const std::string& fileName,
                       const std::vector<FieldDef>& fields,
                       const std::vector<IndexDef>& indexes = {});
    static void create(const std::filesystem::path& folder, const TableSchema& schema);
    // The same, the header dates taken from TODAY (tests pass a fixed day).
    static void create(const std::filesystem::path& folder, const std::string& fileName,
                       const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                       const DateSource& today);

    // Deletes TABLENAME.DBF and then TABLENAME.MDX from FOLDER when they exist; a file that
    // cannot be deleted (held by someone) is left, silently.
    static void removeFiles(const std::filesystem::path& folder, const std::string& tableName);

    void open(OpenMode mode);
    // Posts nothing: a row still being edited is dropped. Rows a table of a private folder kept
    // in memory are written first; if that fails the table is closed all the same and the
    // TableError raised.
    void close();
    bool active() const;
    OpenMode openMode() const;

    // Navigation over the visible rows: natural (file) order, or index order while an index
    // name is set, and only the rows the filter lets through while it is on. Rows flagged
    // deleted are never visible. first() re-reads what other objects posted. Moving while a
    // row is being appended or edited posts that row first, as leaving a grid row does.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const;
    bool bof() const;
    // Number of visible rows.
    int recordCount() const;
    // Position of the current row among the visible rows, from 1; 0 when there is none.
    int recNo() const;
    // Makes the visible row at position n (from 1) current.
    void setRecNo(int n);

    // A new blank row at the end, current and in Insert state until post() or cancel().
    void append();
    // The current row in Edit state; TableError when there is no current row.
    void edit();
    // Writes the row being appended or edited to the file (and its index) at once, or keeps it
    // for close() in a private folder; nothing to do in Browse state. On failure the row stays
    // in Edit or Insert state.
    void post();
    void cancel();
    TableState state() const;

    // Fields as read from the file.
    const std::vector<FieldDef>& fields() const;
    bool hasField(std::string_view name) const;

    // Reads the current row. Text without the blanks that pad it; numbers as decimal text
    // ("" when blank); logicals "True"/"False" ("" when unset). Unknown field: TableError
    // "No se encuentra el campo 'NAME'", preceded by the object's name and ": " when it has one.
    std::string asString(std::string_view field) const;
    // Text fields are converted with toInteger; blank gives 0.
    int asInteger(std::string_view field) const;
    bool asBoolean(std::string_view field) const;
    double asFloat(std::string_view field) const;
    bool isNull(std::string_view field) const;

    // Sets a field of the row being appended or edited; text longer than the field is cut to
    // its width.
    void setString(std::string_view field, std::string_view ansi);
    void setInteger(std::string_view field, int value);
    void setBoolean(std::string_view field, bool value);
    void setFloat(std::string_view field, double value);
    void clear(std::string_view field);

    // FIELDNAMES joins names with ';', one value each. Makes the first visible row whose fields
    // all equal their values current and answers true (exact, case-sensitive, pad blanks aside;
    // a value longer than its field never matches); otherwise the position is kept, false.
    bool locate(std::string_view fieldNames, const std::vector<std::string>& values);

    // The filter expression FIELD= 'VALUE' (inner quotes doubled). setFiltered(true) applies it
    // and goes to the first matching row.
    void setFilter(std::string_view expression);
    void setFiltered(bool on);

    // Index order by tag name ("" for natural order); goes to the first row.
    void setIndexName(std::string_view tagName);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace qv
