// libFuzzer target: any bytes as a dBase table, read field by field through the table engine.
// An input holding the line "#MDX#" is split there: the bytes before are T.DBF, the bytes after
// its production index T.MDX, and every field name is then also tried as an index tag. A
// TableError or ConversionError is an expected outcome; a crash, a sanitizer report or any
// other exception is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "services/Error.h"
#include "services/Table.h"

namespace {

constexpr std::string_view kMdxMarker = "\n#MDX#\n";
constexpr int kMaxRows = 5000;  // a header may claim millions of rows of one byte

void readEveryField(qv::Table& table) {
    int rows = 0;
    for (table.first(); !table.eof() && rows < kMaxRows; table.next(), ++rows) {
        for (const qv::FieldDef& field : table.fields()) {
            (void)table.asString(field.name);
            (void)table.isNull(field.name);
            try {
                switch (field.kind) {
                    case qv::FieldKind::Integer:
                        (void)table.asInteger(field.name);
                        break;
                    case qv::FieldKind::Float:
                        (void)table.asFloat(field.name);
                        break;
                    case qv::FieldKind::Logical:
                        (void)table.asBoolean(field.name);
                        break;
                    case qv::FieldKind::Text:
                        break;
                }
            } catch (const qv::ConversionError&) {
                // A damaged number is reported, not misread.
            }
        }
    }
    (void)table.recordCount();
}

void readTable(const std::filesystem::path& folder, bool withIndex) {
    qv::Table table(folder, "T.DBF", "wwFuzz");
    table.open(qv::OpenMode::Shared);
    readEveryField(table);
    if (withIndex) {
        for (const qv::FieldDef& field : table.fields()) {
            try {
                table.setIndexName(field.name);
                readEveryField(table);
            } catch (const qv::TableError&) {
                // No tag of that name, or a damaged index: reported.
            }
        }
        table.setIndexName("");
    }
    table.close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qv::fuzz::TempFolder folder("qv-fuzz-dbf");
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t marker = input.find(kMdxMarker);
    const bool withIndex = marker != std::string_view::npos;
    std::error_code ec;
    std::filesystem::remove(folder.path() / "T.MDX", ec);
    qv::fuzz::writeFile(folder.path() / "T.DBF", input.substr(0, marker));
    if (withIndex) {
        qv::fuzz::writeFile(folder.path() / "T.MDX", input.substr(marker + kMdxMarker.size()));
    }
    try {
        readTable(folder.path(), withIndex);
    } catch (const qv::TableError&) {
        // A damaged table is refused with a message naming it.
    } catch (const qv::ConversionError&) {
    }
    return 0;
}
