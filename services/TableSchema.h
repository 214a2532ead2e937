#pragma once

#include <string>
#include <vector>

namespace qv {

enum class FieldKind { Text, Integer, Logical, Float };

// One field of a table we create. Width counts characters and is used by text fields only.
struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::Text;
    int width = 0;
};

inline FieldDef textField(std::string name, int width) {
    return {std::move(name), FieldKind::Text, width};
}
inline FieldDef integerField(std::string name) { return {std::move(name), FieldKind::Integer, 0}; }
inline FieldDef logicalField(std::string name) { return {std::move(name), FieldKind::Logical, 0}; }
inline FieldDef floatField(std::string name) { return {std::move(name), FieldKind::Float, 0}; }

// An index on one field: ascending, not unique, case-sensitive. Written as a tag of the
// table's production .MDX.
struct IndexDef {
    std::string name;
    std::string field;
};

// A table as the catalogue describes it; the file is NAME.DBF (and NAME.MDX with indexes).
struct TableSchema {
    std::string name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;

    std::string fileName() const { return name + ".DBF"; }
};

}  // namespace qv
