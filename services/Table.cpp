#include "services/Table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <set>

#include "services/Bcd.h"
#include "services/CalendarDate.h"
#include "services/DbfHeader.h"
#include "services/DbfValue.h"
#include "services/Error.h"
#include "services/FileChanges.h"
#include "services/FileLock.h"
#include "services/MdxIndex.h"
#include "services/Paths.h"
#include "services/PrivateFolder.h"
#include "services/Text.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

// As upperAZ(a) == upperAZ(b), without the two copies: field names are compared at every read.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::string inQuotes(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// The MDX beside a table: same name, extension .MDX, whatever the letter case on disk.
fs::path indexPathFor(const fs::path& tablePath) {
    return findFile(tablePath.parent_path(), tablePath.stem().string() + ".MDX");
}

bool readAll(int fd, std::string& content, int& errorNumber) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        errorNumber = errno;
        return false;
    }
    content.assign(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n =
            ::pread(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorNumber = errno;
            return false;
        }
        if (n == 0) {
            content.resize(done);  // shrank while reading
            break;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, std::string_view data, off_t offset, int& errorNumber) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorNumber = errno;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// What tells an object that its file changed under it.
struct Stamp {
    off_t size = -1;
    timespec modified{};
    std::uint64_t changes = 0;
    bool operator==(const Stamp& o) const {
        return size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && changes == o.changes;
    }
};

Stamp stampOf(const LockedFile& file) {
    Stamp stamp;
    struct stat info {};
    if (::fstat(file.fd(), &info) == 0) {
        stamp.size = info.st_size;
        stamp.modified = info.st_mtim;
    }
    stamp.changes = fileChangeCount(file.identity());
    return stamp;
}

struct FilterSpec {
    std::string field;
    std::string value;
};

// FIELD= 'VALUE', blanks around '=' allowed, '' inside the quotes standing for one quote.
std::optional<FilterSpec> parseFilter(std::string_view expression) {
    size_t pos = 0;
    auto skipBlanks = [&]() {
        while (pos < expression.size() && (expression[pos] == ' ' || expression[pos] == '\t')) {
            ++pos;
        }
    };
    skipBlanks();
    size_t start = pos;
    while (pos < expression.size() &&
           (std::isalnum(static_cast<unsigned char>(expression[pos])) || expression[pos] == '_')) {
        ++pos;
    }
    FilterSpec filtro{std::string(expression.substr(start, pos - start)), {}};
    if (filtro.field.empty()) {
        return std::nullopt;
    }
    skipBlanks();
    if (pos >= expression.size() || expression[pos] != '=') {
        return std::nullopt;
    }
    ++pos;
    skipBlanks();
    if (pos >= expression.size() || expression[pos] != '\'') {
        return std::nullopt;
    }
    ++pos;
    bool closed = false;
    while (pos < expression.size()) {
        char c = expression[pos++];
        if (c == '\'') {
            if (pos < expression.size() && expression[pos] == '\'') {
                filtro.value += '\'';
                ++pos;
                continue;
            }
            closed = true;
            break;
        }
        filtro.value += c;
    }
    if (!closed) {
        return std::nullopt;
    }
    skipBlanks();
    if (pos != expression.size()) {
        return std::nullopt;
    }
    return filtro;
}

std::string withoutTrailingBlanks(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\0')) {
        --end;
    }
    return std::string(text.substr(0, end));
}

bool validFieldName(const std::string& name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x80 &&
                std::isalnum(static_cast<unsigned char>(c))) ||
               c == '_';
    });
}

[[noreturn]] void cannotCreate(const fs::path& path, const std::string& reason) {
    throw TableError("No se puede crear la tabla " + path.string() + ": " + reason, path.string());
}

// Writes CONTENT to a new temporary file in FOLDER and answers its path; DURABLE has it reach
// the disk before it is renamed into place.
fs::path writeTemporary(const fs::path& folder, const std::string& name, std::string_view content,
                        const fs::path& target, bool durable) {
    std::string pattern = (folder / ("." + name + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        cannotCreate(target, systemErrorText(errno));
    }
    int error = 0;
    bool written = writeAll(fd, content, 0, error);
    if (written && durable && ::fsync(fd) != 0) {
        error = errno;
        written = false;
    }
    // A table is an ordinary user file: mkstemp's 0600 would hide it from the other program.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 && written) {
        error = errno;
        written = false;
    }
    if (!written) {
        ::unlink(pattern.c_str());
        cannotCreate(target, systemErrorText(error));
    }
    return pattern;
}

dbf::Field physicalField(const FieldDef& def, bool level7) {
    dbf::Field field;
    field.name = upperAZ(def.name);
    switch (def.kind) {
        case FieldKind::Text:
            field.type = 'C';
            field.width = def.width;
            break;
        case FieldKind::Integer:
            field.type = level7 ? 'I' : 'N';
            field.width = level7 ? 4 : dbf::kIntegerWidth;
            break;
        case FieldKind::Float:
            field.type = level7 ? 'O' : 'N';
            field.width = level7 ? 8 : dbf::kFloatWidth;
            field.decimals = level7 ? 0 : dbf::kFloatDecimals;
            break;
        case FieldKind::Logical:
            field.type = 'L';
            field.width = 1;
            break;
    }
    return field;
}

// The key a tag on this field gets: character fields by their bytes, numbers as BCD.
mdx::Tag tagFor(const IndexDef& def, const dbf::Field& field, const CalendarDate& today) {
    mdx::Tag tag;
    tag.name = upperAZ(def.name);
    tag.expression = field.name;
    tag.created = today;
    if (dbf::isNumeric(field)) {
        tag.keyType = 'N';
        tag.keyLength = kBcdKeyLength;
    } else {
        tag.keyType = 'C';
        tag.keyLength = field.width;
    }
    return tag;
}

}  // namespace

struct Table::Impl {
    std::string objectName;
    fs::path folder;
    std::string fileName;
    DateSource today = localToday;

    bool active = false;
    OpenMode mode = OpenMode::Shared;
    fs::path dbfPath;
    fs::path mdxPath;
    LockedFile dbfFile;
    LockedFile mdxFile;
    dbf::Header header;
    std::vector<FieldDef> fieldDefs;
    std::vector<std::string> records;  // raw bytes, deletion flag first
    bool hasIndex = false;
    mdx::IndexFile index;
    std::vector<int> tagField;  // the field each tag keys on; -1 when we cannot maintain it
    Stamp stamp;

    // Set for a table of a private folder: posted rows wait in memory, the first of them (in
    // file order) at firstUnwritten, until the table closes or another object reads the file.
    std::optional<FileIdentity> privateFolder;
    static constexpr size_t kNothingPending = std::numeric_limits<size_t>::max();
    size_t firstUnwritten = kNothingPending;

    std::string filterExpression;
    std::optional<FilterSpec> filterSpec;
    bool filtered = false;
    std::string indexName;
    int activeTag = -1;

    std::vector<int> visible;  // record indexes in navigation order
    int pos = -1;
    bool eof = true;
    bool bof = true;

    TableState state = TableState::Inactive;
    std::string buffer;
    int editing = -1;

    std::string shownPath() const {
        return dbfPath.empty() ? (folder / fileName).string() : dbfPath.string();
    }

    [[noreturn]] void fail(const std::string& message) const {
        throw TableError(message, shownPath());
    }

    void requireActive() const {
        if (!active) {
            fail("La tabla " + shownPath() + " no está abierta");
        }
    }

    int findField(std::string_view name) const {
        for (size_t i = 0; i < header.fields.size(); ++i) {
            if (sameName(header.fields[i].name, name)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    mutable int lastField = -1;

    int fieldIndex(std::string_view name) const {
        requireActive();
        // Rows are mostly read and written field after field: try the one after the last first.
        const int next = lastField + 1;
        if (next < static_cast<int>(header.fields.size()) &&
            sameName(header.fields[static_cast<size_t>(next)].name, name)) {
            lastField = next;
            return next;
        }
        int i = findField(name);
        lastField = i;
        if (i < 0) {
            std::string prefix = objectName.empty() ? "" : objectName + ": ";
            fail(prefix + "No se encuentra el campo " + inQuotes(name));
        }
        return i;
    }

    std::string_view fieldBytes(const std::string& record, int field) const {
        const dbf::Field& f = header.fields[static_cast<size_t>(field)];
        return std::string_view(record).substr(static_cast<size_t>(f.offset),
                                               static_cast<size_t>(f.width));
    }

    // The row reads and writes go to: the edit buffer, else the current visible row.
    const std::string* currentRow() const {
        if (state == TableState::Edit || state == TableState::Insert) {
            return &buffer;
        }
        if (pos >= 0 && pos < static_cast<int>(visible.size())) {
            return &records[static_cast<size_t>(visible[static_cast<size_t>(pos)])];
        }
        return nullptr;
    }

    std::string blankRow;  // what append() starts from, made whenever the header is read

    std::string blankRecord() const {
        std::string record(header.recordLength, ' ');
        for (const dbf::Field& f : header.fields) {
            record.replace(static_cast<size_t>(f.offset), static_cast<size_t>(f.width),
                           dbf::blankBytes(f));
        }
        return record;
    }

    // --- loading -------------------------------------------------------------------------

    // Callers have the rows other objects still hold written first.
    void loadRecords() {
        std::string content;
        int error = 0;
        if (!readAll(dbfFile.fd(), content, error)) {
            fail("No se puede leer la tabla " + shownPath() + ": " + systemErrorText(error));
        }
        dbf::Header parsed = dbf::parseHeader(content, shownPath());
        std::vector<std::string> rows;
        rows.reserve(parsed.recordCount);
        for (std::uint32_t r = 0; r < parsed.recordCount; ++r) {
            rows.emplace_back(
                content.substr(parsed.headerLength + static_cast<size_t>(r) * parsed.recordLength,
                               parsed.recordLength));
        }
        header = std::move(parsed);
        records = std::move(rows);
        blankRow = blankRecord();
        stamp = stampOf(dbfFile);
    }

    void loadIndex() {
        hasIndex = false;
        index = {};
        tagField.clear();
        mdxFile.close();
        if (!header.productionMdx) {
            return;
        }
        fs::path candidate = indexPathFor(dbfPath);
        if (!fileExists(candidate)) {
            return;  // flagged but absent: read the table in natural order
        }
        int error = 0;
        LockKind kind = mode == OpenMode::Exclusive ? LockKind::Exclusive : LockKind::Shared;
        switch (mdxFile.open(candidate, kind, error)) {
            case LockedFile::Result::Locked:
                break;
            case LockedFile::Result::Held:
                fail("No se puede abrir la tabla " + shownPath() + ": su índice " +
                     candidate.string() + " está en uso por otro programa");
            case LockedFile::Result::Missing:
                return;
            case LockedFile::Result::Failed:
                fail("No se puede abrir el índice " + candidate.string() + ": " +
                     systemErrorText(error));
        }
        std::string content;
        if (!readAll(mdxFile.fd(), content, error)) {
            fail("No se puede leer el índice " + candidate.string() + ": " +
                 systemErrorText(error));
        }
        index = mdx::parse(content, candidate.string());
        mdxPath = candidate;
        hasIndex = true;
        for (const mdx::Tag& tag : index.tags) {
            int field = findField(trimmed(tag.expression));
            bool usable = tag.plain && field >= 0;
            if (usable) {
                const dbf::Field& f = header.fields[static_cast<size_t>(field)];
                mdx::Tag expected = tagFor({tag.name, f.name}, f, tag.created);
                usable = (tag.keyType == expected.keyType && tag.keyLength == expected.keyLength) ||
                         (tag.keyType == 'D' && f.type == 'D');
            }
            tagField.push_back(usable ? field : -1);
        }
    }

    void rebuildFieldDefs() {
        fieldDefs.clear();
        for (const dbf::Field& f : header.fields) {
            FieldDef def{f.name, FieldKind::Text, f.width};
            if (f.type == 'L') {
                def = {f.name, FieldKind::Logical, 0};
            } else if (f.type == 'I' || f.type == '+' ||
                       ((f.type == 'N' || f.type == 'F') && f.decimals == 0)) {
                def = {f.name, FieldKind::Integer, 0};
            } else if (dbf::isNumeric(f)) {
                def = {f.name, FieldKind::Float, 0};
            }
            fieldDefs.push_back(std::move(def));
        }
    }

    // Re-reads the file when some object or program wrote it since we last looked.
    void refreshIfChanged() {
        writePendingOf(dbfFile.identity(), this);
        // Only this process can write a private folder's files, and it counts its writes.
        const bool unchanged = privateFolder ? fileChangeCount(dbfFile.identity()) == stamp.changes
                                             : stampOf(dbfFile) == stamp;
        if (unchanged) {
            return;
        }
        int keep = currentRecordIndex();
        loadRecords();
        rebuildView(keep);
    }

    // --- the view ------------------------------------------------------------------------

    int currentRecordIndex() const {
        if (pos >= 0 && pos < static_cast<int>(visible.size())) {
            return visible[static_cast<size_t>(pos)];
        }
        return -1;
    }

    bool matches(int field, std::string_view record, std::string_view wanted) const {
        const dbf::Field& f = header.fields[static_cast<size_t>(field)];
        std::string_view raw = std::string_view(record).substr(static_cast<size_t>(f.offset),
                                                               static_cast<size_t>(f.width));
        if (dbf::isNumeric(f)) {
            std::string stored = dbf::displayText(f, raw);
            if (withoutTrailingBlanks(trimmed(wanted)).empty() || stored.empty()) {
                return stored.empty() && trimmed(wanted).empty();
            }
            auto plain = dbf::normalizedDecimal(wanted);
            return plain && *plain == stored;
        }
        if (f.type == 'L') {
            return dbf::displayText(f, raw) == dbf::displayText(f, trimmed(wanted).substr(0, 1));
        }
        if (wanted.size() > static_cast<size_t>(f.width)) {
            return false;
        }
        return withoutTrailingBlanks(raw) == withoutTrailingBlanks(wanted);
    }

    bool passesFilter(const std::string& record) const {
        if (!filtered || !filterSpec) {
            return true;
        }
        int field = findField(filterSpec->field);
        return field >= 0 && matches(field, record, filterSpec->value);
    }

    void rebuildView(int keepRecord) {
        visible.clear();
        for (size_t r = 0; r < records.size(); ++r) {
            const std::string& record = records[r];
            if (!record.empty() && record[0] == dbf::kDeletedFlag) {
                continue;
            }
            if (passesFilter(record)) {
                visible.push_back(static_cast<int>(r));
            }
        }
        if (activeTag >= 0) {
            const mdx::Tag& tag = index.tags[static_cast<size_t>(activeTag)];
            int field = tagField[static_cast<size_t>(activeTag)];
            std::vector<mdx::Entry> entries;
            entries.reserve(visible.size());
            for (int r : visible) {
                entries.push_back(
                    {mdx::keyFor(header.fields[static_cast<size_t>(field)],
                                 fieldBytes(records[static_cast<size_t>(r)], field), tag),
                     static_cast<std::uint32_t>(r + 1)});
            }
            mdx::sortEntries(tag.keyType, entries);
            for (size_t i = 0; i < entries.size(); ++i) {
                visible[i] = static_cast<int>(entries[i].recordNumber) - 1;
            }
        }
        auto found = std::find(visible.begin(), visible.end(), keepRecord);
        if (found != visible.end()) {
            pos = static_cast<int>(found - visible.begin());
        } else {
            pos = visible.empty()
                      ? -1
                      : std::min(std::max(pos, 0), static_cast<int>(visible.size()) - 1);
        }
        if (visible.empty()) {
            eof = bof = true;
        }
    }

    void goFirst() {
        pos = visible.empty() ? -1 : 0;
        bof = true;
        eof = visible.empty();
    }

    // Leaving a row being edited posts it, as moving off a row in a grid does.
    void checkBrowseMode();

    // --- writing -------------------------------------------------------------------------

    void requireWritable() const {
        if (!dbfFile.writable()) {
            fail("No se puede escribir en la tabla " + shownPath() + ": es de solo lectura");
        }
        if (hasIndex) {
            for (size_t t = 0; t < tagField.size(); ++t) {
                if (tagField[t] < 0) {
                    fail("No se puede escribir en la tabla " + shownPath() + ": su índice " +
                         mdxPath.string() + " tiene la etiqueta " + index.tags[t].name +
                         ", que este programa no sabe mantener");
                }
            }
            if (!mdxFile.writable()) {
                fail("No se puede escribir en el índice " + mdxPath.string() +
                     ": es de solo lectura");
            }
        }
    }

    void writeOrFail(int fd, std::string_view data, off_t offset, const fs::path& what) const {
        int error = 0;
        if (!writeAll(fd, data, offset, error)) {
            fail("No se puede escribir en " + what.string() + ": " + systemErrorText(error));
        }
    }

    void rewriteIndex(const CalendarDate& date) {
        if (!hasIndex) {
            return;
        }
        std::vector<std::vector<mdx::Entry>> perTag;
        for (size_t t = 0; t < index.tags.size(); ++t) {
            const mdx::Tag& tag = index.tags[t];
            int field = tagField[t];
            std::vector<mdx::Entry> entries;
            entries.reserve(records.size());
            // Rows flagged deleted keep their keys, as dBase does.
            for (size_t r = 0; r < records.size(); ++r) {
                entries.push_back({mdx::keyFor(header.fields[static_cast<size_t>(field)],
                                               fieldBytes(records[r], field), tag),
                                   static_cast<std::uint32_t>(r + 1)});
            }
            mdx::sortEntries(tag.keyType, entries);
            perTag.push_back(std::move(entries));
        }
        std::string content = mdx::build(index, perTag, date);
        writeOrFail(mdxFile.fd(), content, 0, mdxPath);
        if (::ftruncate(mdxFile.fd(), static_cast<off_t>(content.size())) != 0) {
            fail("No se puede escribir en " + mdxPath.string() + ": " + systemErrorText(errno));
        }
        noteFileChange(mdxFile.identity());
    }

    void post() {
        if (state != TableState::Edit && state != TableState::Insert) {
            return;
        }
        requireWritable();
        refreshIfChanged();
        const CalendarDate date = today();
        const bool appended = state == TableState::Insert;
        const int record = appended ? static_cast<int>(records.size()) : editing;
        if (privateFolder) {
            keepPosted(record, date);
        } else {
            writeThrough(record, date);
        }
        state = TableState::Browse;
        buffer.clear();
        editing = -1;
        if (appended && !filtered && activeTag < 0) {
            // In file order a new row simply goes last: no need to rebuild the whole view.
            visible.push_back(record);
            pos = static_cast<int>(visible.size()) - 1;
            eof = bof = false;
        } else {
            rebuildView(record);
            auto found = std::find(visible.begin(), visible.end(), record);
            if (found != visible.end()) {
                eof = bof = false;
            }
        }
        if (!privateFolder) {
            // Last: the row is in the table by now, so a failure here must not post it twice.
            rewriteIndex(date);
        }
    }

    void writeThrough(int record, const CalendarDate& date) {
        const off_t offset = static_cast<off_t>(header.headerLength) +
                             static_cast<off_t>(record) * header.recordLength;
        if (record == static_cast<int>(records.size())) {
            // Row and end marker first, the count after: a failure in between leaves the
            // table as it was.
            writeOrFail(dbfFile.fd(), buffer + dbf::kEndMarker, offset, dbfPath);
            writeOrFail(dbfFile.fd(), dbf::dateAndCountBytes(date, header.recordCount + 1),
                        dbf::kDateOffset, dbfPath);
            cutAfter(offset + header.recordLength + 1);
            records.push_back(buffer);
            ++header.recordCount;
        } else {
            writeOrFail(dbfFile.fd(), buffer, offset, dbfPath);
            writeOrFail(dbfFile.fd(), dbf::dateAndCountBytes(date, header.recordCount).substr(0, 3),
                        dbf::kDateOffset, dbfPath);
            records[static_cast<size_t>(record)] = buffer;
        }
        header.updated = date;
        noteFileChange(dbfFile.identity());
        stamp = stampOf(dbfFile);
    }

    // Drops whatever lies past END (an earlier, longer table's tail).
    void cutAfter(off_t end) {
        struct stat info {};
        if (::fstat(dbfFile.fd(), &info) == 0 && info.st_size > end) {
            (void)::ftruncate(dbfFile.fd(), end);
        }
    }

    void keepPosted(int record, const CalendarDate& date) {
        if (record == static_cast<int>(records.size())) {
            records.push_back(std::move(buffer));
            ++header.recordCount;
        } else {
            records[static_cast<size_t>(record)] = std::move(buffer);
        }
        header.updated = date;
        if (firstUnwritten == kNothingPending) {
            notePendingWrites(dbfFile.identity(), *privateFolder, this, [this] { writePending(); });
        }
        firstUnwritten = std::min(firstUnwritten, static_cast<size_t>(record));
    }

    // The rows kept since the last write, in one piece, then the header and the index.
    void writePending() {
        if (firstUnwritten == kNothingPending) {
            return;
        }
        const size_t from = firstUnwritten;
        std::string rows;
        rows.reserve((records.size() - from) * header.recordLength + 1);
        for (size_t r = from; r < records.size(); ++r) {
            rows += records[r];
        }
        rows += dbf::kEndMarker;
        const off_t offset = static_cast<off_t>(header.headerLength) +
                             static_cast<off_t>(from) * header.recordLength;
        writeOrFail(dbfFile.fd(), rows, offset, dbfPath);
        writeOrFail(dbfFile.fd(), dbf::dateAndCountBytes(header.updated, header.recordCount),
                    dbf::kDateOffset, dbfPath);
        cutAfter(offset + static_cast<off_t>(rows.size()));
        firstUnwritten = kNothingPending;
        forgetPendingWrites(this);
        noteFileChange(dbfFile.identity());
        stamp = stampOf(dbfFile);
        rewriteIndex(header.updated);
    }

    // For destructors: what cannot be written is reported to the private folder, which raises
    // it before its files are used.
    void closeQuietly() noexcept;
    void close();

    void requireEditing(int field) const {
        if (state != TableState::Edit && state != TableState::Insert) {
            fail("La tabla " + shownPath() +
                 " no está en modo de edición: no se puede cambiar el campo " +
                 header.fields[static_cast<size_t>(field)].name);
        }
    }

    // A character field, by far the most common, straight into the row: cut to its width and
    // padded with blanks.
    void setCharacters(int field, std::string_view ansi) {
        requireEditing(field);
        const dbf::Field& f = header.fields[static_cast<size_t>(field)];
        const size_t width = static_cast<size_t>(f.width);
        const size_t used = std::min(ansi.size(), width);
        char* start = buffer.data() + f.offset;
        std::copy_n(ansi.data(), used, start);
        std::fill(start + used, start + width, ' ');
    }

    void setBytes(int field, const std::optional<std::string>& bytes, std::string_view shown) {
        requireEditing(field);
        const dbf::Field& f = header.fields[static_cast<size_t>(field)];
        if (!bytes) {
            fail("El valor " + inQuotes(shown) + " no cabe en el campo " + f.name + " (" +
                 std::string(1, f.type) + " " + std::to_string(f.width) +
                 (f.decimals > 0 ? "," + std::to_string(f.decimals) : "") + ") de la tabla " +
                 shownPath());
        }
        buffer.replace(static_cast<size_t>(f.offset), static_cast<size_t>(f.width), *bytes);
    }
};

void Table::Impl::close() {
    std::exception_ptr failure;
    if (active) {
        try {
            writePending();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    forgetPendingWrites(this);
    firstUnwritten = kNothingPending;
    dbfFile.close();
    mdxFile.close();
    active = false;
    state = TableState::Inactive;
    records.clear();
    visible.clear();
    buffer.clear();
    editing = -1;
    pos = -1;
    eof = bof = true;
    hasIndex = false;
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void Table::Impl::closeQuietly() noexcept {
    const std::optional<FileIdentity> folder = privateFolder;
    try {
        close();
    } catch (...) {
        if (!folder) {
            return;
        }
        try {
            try {
                throw;
            } catch (const TableError& e) {
                noteLostWrites(*folder, e);
            } catch (...) {
                noteLostWrites(
                    *folder,
                    TableError("No se puede escribir en la tabla " + shownPath(), shownPath()));
            }
        } catch (...) {
            // Out of memory while reporting: nothing more can be done here.
        }
    }
}

void Table::Impl::checkBrowseMode() {
    if (state == TableState::Edit || state == TableState::Insert) {
        post();
    }
}

// --- Table ------------------------------------------------------------------------------

Table::Table(std::string objectName) : m_impl(std::make_unique<Impl>()) {
    m_impl->objectName = std::move(objectName);
}

Table::Table(fs::path folder, std::string fileName, std::string objectName)
    : Table(std::move(objectName)) {
    setLocation(std::move(folder), std::move(fileName));
}

Table::~Table() {
    if (m_impl) {
        m_impl->closeQuietly();
    }
}

Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&& other) noexcept {
    if (this != &other) {
        if (m_impl) {
            m_impl->closeQuietly();
        }
        m_impl = std::move(other.m_impl);
    }
    return *this;
}

void Table::setLocation(fs::path folder, std::string fileName) {
    if (m_impl->active) {
        m_impl->fail("No se puede cambiar la ubicación de la tabla " + m_impl->shownPath() +
                     " mientras está abierta");
    }
    if (folder.empty()) {
        fs::path full(fileName);
        folder = full.parent_path();
        fileName = full.filename().string();
    }
    m_impl->folder = std::move(folder);
    m_impl->fileName = std::move(fileName);
    m_impl->dbfPath.clear();
}

fs::path Table::path() const {
    if (m_impl->active) {
        return m_impl->dbfPath;
    }
    if (m_impl->fileName.empty()) {
        return {};
    }
    return findFile(m_impl->folder, m_impl->fileName);
}

const std::string& Table::objectName() const {
    return m_impl->objectName;
}

void Table::setDateSource(DateSource today) {
    m_impl->today = today ? std::move(today) : DateSource(localToday);
}

void Table::create(const fs::path& folder, const std::string& fileName,
                   const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes) {
    create(folder, fileName, fields, indexes, localToday);
}

void Table::create(const fs::path& folder, const TableSchema& schema) {
    create(folder, schema.fileName(), schema.fields, schema.indexes, localToday);
}

void Table::create(const fs::path& folder, const std::string& fileName,
                   const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                   const DateSource& today) {
    // The new files get the names as given; an earlier table whose name differs only in
    // letter case is the same table to the other program, so it is replaced too.
    const fs::path target = folder / fileName;
    const fs::path earlier = findFile(folder, fileName);
    const CalendarDate date = today ? today() : localToday();

    if (fields.empty()) {
        cannotCreate(target, "no tiene campos");
    }
    if (fields.size() > static_cast<size_t>(dbf::kMaxFields)) {
        cannotCreate(target, "tiene más de " + std::to_string(dbf::kMaxFields) + " campos");
    }
    bool level7 = false;
    std::set<std::string> names;
    for (const FieldDef& def : fields) {
        if (!validFieldName(def.name) || def.name.size() > static_cast<size_t>(dbf::kMaxLongName)) {
            cannotCreate(target, "el nombre de campo " + inQuotes(def.name) + " no es válido");
        }
        if (!names.insert(upperAZ(def.name)).second) {
            cannotCreate(target, "el campo " + def.name + " está repetido");
        }
        if (def.kind == FieldKind::Text && (def.width < 1 || def.width > dbf::kMaxTextWidth)) {
            cannotCreate(target, "el campo " + def.name + " tiene una longitud de " +
                                     std::to_string(def.width) + " (de 1 a " +
                                     std::to_string(dbf::kMaxTextWidth) + ")");
        }
        level7 = level7 || def.name.size() > static_cast<size_t>(dbf::kMaxShortName);
    }

    dbf::Header header;
    header.version = level7 ? dbf::kVersionDbase7 : dbf::kVersionDbase4;
    header.updated = date;
    header.languageDriver = dbf::kLanguageDriverWinUs;
    for (const FieldDef& def : fields) {
        header.fields.push_back(physicalField(def, level7));
    }

    if (indexes.size() > static_cast<size_t>(mdx::kMaxTags)) {
        cannotCreate(target, "tiene más de " + std::to_string(mdx::kMaxTags) + " índices");
    }
    mdx::IndexFile index;
    index.tableName = upperAZ(target.stem().string());
    index.created = date;
    std::set<std::string> tagNames;
    for (const IndexDef& def : indexes) {
        std::string tagName = upperAZ(def.name);
        if (!validFieldName(tagName) || tagName.size() > static_cast<size_t>(mdx::kMaxTagName)) {
            cannotCreate(target, "el nombre de índice " + inQuotes(def.name) + " no es válido");
        }
        if (!tagNames.insert(tagName).second) {
            cannotCreate(target, "el índice " + def.name + " está repetido");
        }
        auto found = std::find_if(header.fields.begin(), header.fields.end(),
                                  [&](const dbf::Field& f) { return sameName(f.name, def.field); });
        if (found == header.fields.end()) {
            cannotCreate(target, "el índice " + def.name + " usa el campo " + def.field +
                                     ", que la tabla no tiene");
        }
        mdx::Tag tag = tagFor(def, *found, date);
        if (tag.keyLength > mdx::kMaxCharacterKey) {
            cannotCreate(target, "el campo " + found->name + " es demasiado largo para un índice");
        }
        found->mdxFlag = true;
        index.tags.push_back(std::move(tag));
    }
    header.productionMdx = !index.tags.empty();
    dbf::computeLayout(header);
    if (header.recordLength > 0xFFFF - 1) {
        cannotCreate(target, "las filas miden más de 65534 bytes");
    }

    const fs::path mdxTarget = folder / (target.stem().string() + ".MDX");
    const fs::path earlierMdx = indexPathFor(target);
    for (const fs::path& held : {target, earlier}) {
        if (isFileHeld(held)) {
            cannotCreate(target, "está en uso por otro programa");
        }
    }
    for (const fs::path& held : {mdxTarget, earlierMdx}) {
        if (isFileHeld(held)) {
            cannotCreate(target, "su índice " + held.string() + " está en uso por otro programa");
        }
    }

    // A private folder's files are thrown away or moved as a whole: forcing each empty table to
    // the disk on its own protects nothing there.
    const bool durable = !privateFolderIdentity(folder);
    std::string content = dbf::serializeHeader(header) + dbf::kEndMarker;
    fs::path dbfTemp = writeTemporary(folder, target.filename().string(), content, target, durable);
    fs::path mdxTemp;
    if (!index.tags.empty()) {
        try {
            mdxTemp = writeTemporary(folder, mdxTarget.filename().string(),
                                     mdx::build(index, {}, date), target, durable);
        } catch (...) {
            ::unlink(dbfTemp.c_str());
            throw;
        }
        if (::rename(mdxTemp.c_str(), mdxTarget.c_str()) != 0) {
            int error = errno;
            ::unlink(mdxTemp.c_str());
            ::unlink(dbfTemp.c_str());
            cannotCreate(target, systemErrorText(error));
        }
    }
    if (::rename(dbfTemp.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(dbfTemp.c_str());
        cannotCreate(target, systemErrorText(error));
    }
    if (earlier != target && fileExists(earlier)) {
        ::unlink(earlier.c_str());
    }
    // An index of an earlier table of this name no longer belongs to anything.
    for (const fs::path& stale : {earlierMdx, mdxTarget}) {
        bool ours = !index.tags.empty() && stale == mdxTarget;
        if (!ours && fileExists(stale) && !isFileHeld(stale)) {
            ::unlink(stale.c_str());
        }
    }
}

void Table::removeFiles(const fs::path& folder, const std::string& tableName) {
    for (const char* extension : {".DBF", ".MDX"}) {
        fs::path file = findFile(folder, tableName + extension);
        // Windows does not delete a file some program holds open; neither do we.
        if (fileExists(file) && !isFileHeld(file)) {
            ::unlink(file.c_str());
        }
    }
}

void Table::open(OpenMode mode) {
    Impl& d = *m_impl;
    if (d.active) {
        d.fail("La tabla " + d.shownPath() + " ya está abierta");
    }
    if (d.fileName.empty()) {
        throw TableError("No se ha indicado qué tabla abrir");
    }
    d.dbfPath = findFile(d.folder, d.fileName);
    d.mode = mode;
    int error = 0;
    switch (d.dbfFile.open(
        d.dbfPath, mode == OpenMode::Exclusive ? LockKind::Exclusive : LockKind::Shared, error)) {
        case LockedFile::Result::Locked:
            break;
        case LockedFile::Result::Missing:
            d.fail("No existe la tabla " + d.shownPath());
        case LockedFile::Result::Held:
            d.fail("No se puede abrir la tabla " + d.shownPath() +
                   ": está en uso por otro programa");
        case LockedFile::Result::Failed:
            d.fail("No se puede abrir la tabla " + d.shownPath() + ": " + systemErrorText(error));
    }
    try {
        d.privateFolder = privateFolderIdentity(d.dbfPath.parent_path());
        writePendingOf(d.dbfFile.identity(), &d);
        d.loadRecords();
        d.rebuildFieldDefs();
        d.loadIndex();
        d.activeTag = -1;
        if (!d.indexName.empty()) {
            auto found =
                std::find_if(d.index.tags.begin(), d.index.tags.end(),
                             [&](const mdx::Tag& t) { return sameName(t.name, d.indexName); });
            if (found == d.index.tags.end() || d.tagField[found - d.index.tags.begin()] < 0) {
                d.fail("La tabla " + d.shownPath() + " no tiene el índice " +
                       inQuotes(d.indexName));
            }
            d.activeTag = static_cast<int>(found - d.index.tags.begin());
        }
        if (d.filtered && d.filterSpec && d.findField(d.filterSpec->field) < 0) {
            d.fail("No se encuentra el campo " + inQuotes(d.filterSpec->field) +
                   " del filtro de la tabla " + d.shownPath());
        }
    } catch (...) {
        d.dbfFile.close();
        d.mdxFile.close();
        d.records.clear();
        throw;
    }
    d.active = true;
    d.state = TableState::Browse;
    d.pos = -1;
    d.rebuildView(-1);
    d.goFirst();
}

void Table::close() {
    m_impl->close();
}

bool Table::active() const {
    return m_impl->active;
}
OpenMode Table::openMode() const {
    return m_impl->mode;
}

void Table::first() {
    Impl& d = *m_impl;
    d.requireActive();
    d.checkBrowseMode();
    d.refreshIfChanged();
    d.goFirst();
}

void Table::next() {
    Impl& d = *m_impl;
    d.requireActive();
    d.checkBrowseMode();
    if (d.pos + 1 < static_cast<int>(d.visible.size())) {
        ++d.pos;
        d.bof = false;
        d.eof = false;
    } else {
        d.eof = true;
    }
}

void Table::prior() {
    Impl& d = *m_impl;
    d.requireActive();
    d.checkBrowseMode();
    if (d.pos > 0) {
        --d.pos;
        d.bof = false;
        d.eof = false;
    } else {
        d.bof = true;
    }
}

void Table::last() {
    Impl& d = *m_impl;
    d.requireActive();
    d.checkBrowseMode();
    d.pos = static_cast<int>(d.visible.size()) - 1;
    d.eof = true;
    d.bof = d.visible.empty();
}

bool Table::eof() const {
    return m_impl->eof;
}
bool Table::bof() const {
    return m_impl->bof;
}

int Table::recordCount() const {
    m_impl->requireActive();
    return static_cast<int>(m_impl->visible.size());
}

int Table::recNo() const {
    const Impl& d = *m_impl;
    if (!d.active || d.state == TableState::Insert || d.pos < 0) {
        return 0;
    }
    return d.pos + 1;
}

void Table::setRecNo(int n) {
    Impl& d = *m_impl;
    d.requireActive();
    if (n < 1 || n > static_cast<int>(d.visible.size())) {
        d.fail("La tabla " + d.shownPath() + " no tiene la fila " + std::to_string(n));
    }
    d.checkBrowseMode();
    d.pos = std::min(n, static_cast<int>(d.visible.size())) - 1;
    d.eof = d.bof = false;
}

void Table::append() {
    Impl& d = *m_impl;
    d.requireActive();
    d.checkBrowseMode();
    d.requireWritable();
    d.buffer = d.blankRow;
    d.buffer[0] = dbf::kLiveFlag;
    d.editing = -1;
    d.state = TableState::Insert;
}

void Table::edit() {
    Impl& d = *m_impl;
    d.requireActive();
    if (d.state == TableState::Edit || d.state == TableState::Insert) {
        return;
    }
    int record = d.currentRecordIndex();
    if (record < 0) {
        d.fail("La tabla " + d.shownPath() + " no tiene ninguna fila que modificar");
    }
    d.requireWritable();
    d.buffer = d.records[static_cast<size_t>(record)];
    d.editing = record;
    d.state = TableState::Edit;
}

void Table::post() {
    m_impl->requireActive();
    m_impl->post();
}

void Table::cancel() {
    Impl& d = *m_impl;
    if (d.state == TableState::Edit || d.state == TableState::Insert) {
        d.state = TableState::Browse;
        d.buffer.clear();
        d.editing = -1;
    }
}

TableState Table::state() const {
    return m_impl->state;
}

const std::vector<FieldDef>& Table::fields() const {
    m_impl->requireActive();
    return m_impl->fieldDefs;
}

bool Table::hasField(std::string_view name) const {
    m_impl->requireActive();
    return m_impl->findField(name) >= 0;
}

std::string Table::asString(std::string_view field) const {
    const Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const std::string* row = d.currentRow();
    if (!row) {
        return {};
    }
    return dbf::displayText(d.header.fields[static_cast<size_t>(i)], d.fieldBytes(*row, i));
}

int Table::asInteger(std::string_view field) const {
    const Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const dbf::Field& f = d.header.fields[static_cast<size_t>(i)];
    if (f.type == 'L' || f.type == 'M' || f.type == 'B' || f.type == 'G') {
        d.fail("El campo " + f.name + " de la tabla " + d.shownPath() +
               " no se puede leer como número entero");
    }
    std::string text = asString(field);
    if (isBlank(text)) {
        return 0;
    }
    return toInteger(text);
}

bool Table::asBoolean(std::string_view field) const {
    const Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const dbf::Field& f = d.header.fields[static_cast<size_t>(i)];
    std::string text = asString(field);
    if (f.type == 'L' || text.empty()) {
        return text == "True";
    }
    dbf::Field logical{f.name, 'L', 1, 0, 0, false};
    std::string shown = dbf::displayText(logical, trimmed(text).substr(0, 1));
    if (shown.empty()) {
        d.fail(inQuotes(text) + " no es un valor lógico válido");
    }
    return shown == "True";
}

double Table::asFloat(std::string_view field) const {
    const Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const dbf::Field& f = d.header.fields[static_cast<size_t>(i)];
    std::string text = asString(field);
    if (f.type == 'L') {
        return text == "True" ? 1.0 : 0.0;
    }
    if (isBlank(text)) {
        return 0.0;
    }
    auto plain = dbf::normalizedDecimal(text);
    double value = 0;
    if (!plain ||
        std::from_chars(plain->data(), plain->data() + plain->size(), value).ec != std::errc{}) {
        d.fail(inQuotes(text) + " no es un valor numérico válido");
    }
    return value;
}

bool Table::isNull(std::string_view field) const {
    const Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const std::string* row = d.currentRow();
    if (!row) {
        return true;
    }
    return dbf::isBlank(d.header.fields[static_cast<size_t>(i)], d.fieldBytes(*row, i));
}

void Table::setString(std::string_view field, std::string_view ansi) {
    Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    if (d.header.fields[static_cast<size_t>(i)].type == 'C') {
        d.setCharacters(i, ansi);
        return;
    }
    d.setBytes(i, dbf::encodeText(d.header.fields[static_cast<size_t>(i)], ansi), ansi);
}

void Table::setInteger(std::string_view field, int value) {
    Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    d.setBytes(i, dbf::encodeInteger(d.header.fields[static_cast<size_t>(i)], value),
               std::to_string(value));
}

void Table::setBoolean(std::string_view field, bool value) {
    Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    const dbf::Field& f = d.header.fields[static_cast<size_t>(i)];
    auto bytes =
        f.type == 'L' ? dbf::encodeBoolean(f, value) : dbf::encodeText(f, value ? "True" : "False");
    d.setBytes(i, bytes, value ? "True" : "False");
}

void Table::setFloat(std::string_view field, double value) {
    Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    char shown[64];
    auto r = std::to_chars(shown, shown + sizeof shown, value);
    d.setBytes(i, dbf::encodeNumber(d.header.fields[static_cast<size_t>(i)], value),
               std::string_view(shown, static_cast<size_t>(r.ptr - shown)));
}

void Table::clear(std::string_view field) {
    Impl& d = *m_impl;
    int i = d.fieldIndex(field);
    d.setBytes(i, dbf::blankBytes(d.header.fields[static_cast<size_t>(i)]), "");
}

bool Table::locate(std::string_view fieldNames, const std::vector<std::string>& values) {
    Impl& d = *m_impl;
    d.requireActive();
    std::vector<int> fields;
    size_t start = 0;
    while (true) {
        size_t end = fieldNames.find(';', start);
        std::string name = trimmed(fieldNames.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start));
        fields.push_back(d.fieldIndex(name));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (fields.size() != values.size()) {
        d.fail("Búsqueda en la tabla " + d.shownPath() + ": " + std::to_string(fields.size()) +
               " campos y " + std::to_string(values.size()) + " valores");
    }
    d.checkBrowseMode();
    for (size_t p = 0; p < d.visible.size(); ++p) {
        const std::string& record = d.records[static_cast<size_t>(d.visible[p])];
        bool all = true;
        for (size_t k = 0; k < fields.size() && all; ++k) {
            all = d.matches(fields[k], record, values[k]);
        }
        if (all) {
            d.pos = static_cast<int>(p);
            d.eof = d.bof = false;
            return true;
        }
    }
    return false;
}

void Table::setFilter(std::string_view expression) {
    Impl& d = *m_impl;
    auto filtro = parseFilter(expression);
    if (!filtro) {
        d.fail("El filtro " + inQuotes(expression) + " de la tabla " + d.shownPath() +
               " no es válido: se espera CAMPO= 'VALOR'");
    }
    if (d.active && d.filtered && d.findField(filtro->field) < 0) {
        d.fail("No se encuentra el campo " + inQuotes(filtro->field) + " del filtro de la tabla " +
               d.shownPath());
    }
    d.filterExpression = std::string(expression);
    d.filterSpec = std::move(filtro);
    if (d.active && d.filtered) {
        d.checkBrowseMode();
        d.rebuildView(-1);
        d.goFirst();
    }
}

void Table::setFiltered(bool on) {
    Impl& d = *m_impl;
    if (on && d.active && d.filterSpec && d.findField(d.filterSpec->field) < 0) {
        d.fail("No se encuentra el campo " + inQuotes(d.filterSpec->field) +
               " del filtro de la tabla " + d.shownPath());
    }
    d.filtered = on;
    if (d.active) {
        d.checkBrowseMode();
        d.rebuildView(-1);
        d.goFirst();
    }
}

void Table::setIndexName(std::string_view tagName) {
    Impl& d = *m_impl;
    if (d.active) {
        int tag = -1;
        if (!tagName.empty()) {
            for (size_t t = 0; t < d.index.tags.size(); ++t) {
                if (sameName(d.index.tags[t].name, tagName)) {
                    tag = static_cast<int>(t);
                }
            }
            if (tag < 0) {
                d.fail("La tabla " + d.shownPath() + " no tiene el índice " + inQuotes(tagName));
            }
            if (d.tagField[static_cast<size_t>(tag)] < 0) {
                d.fail("La tabla " + d.shownPath() + " tiene el índice " + inQuotes(tagName) +
                       ", pero este programa no sabe ordenar por él");
            }
        }
        d.checkBrowseMode();
        d.activeTag = tag;
        d.indexName = std::string(tagName);
        d.rebuildView(-1);
        d.goFirst();
    } else {
        d.indexName = std::string(tagName);
    }
}

}  // namespace qv
