#include "services/MdxIndex.h"

#include <algorithm>
#include <cstring>

#include "services/Bcd.h"
#include "services/DbfValue.h"
#include "services/Error.h"
#include "services/LittleEndian.h"

namespace qv::mdx {

namespace {

using dbf::putU16;
using dbf::putU32;
using dbf::readU16;
using dbf::readU32;

// File header.
constexpr size_t kVersionOffset = 0;
constexpr size_t kCreatedOffset = 1;
constexpr size_t kTableNameOffset = 4;
constexpr size_t kTableNameLength = 16;
constexpr size_t kPagesPerBlockOffset = 20;
constexpr size_t kBlockBytesOffset = 22;
constexpr size_t kProductionOffset = 24;
constexpr size_t kSlotsOffset = 25;
constexpr size_t kEntryLengthOffset = 26;
constexpr size_t kTagsInUseOffset = 28;
constexpr size_t kNextTagOffset = 30;
constexpr size_t kLanguageDriverOffset = 31;
constexpr size_t kPageCountOffset = 32;
constexpr size_t kUpdatedOffset = 44;
constexpr size_t kRootThreadOffset = 529;  // right thread of the pseudo entry 0
constexpr std::uint8_t kVersionDbase4 = 2;
constexpr size_t kStoredTableName = 8;

// Tag table entry.
constexpr size_t kEntryHeaderPage = 0;
constexpr size_t kEntryName = 4;
constexpr size_t kEntryNameLength = 11;
constexpr size_t kEntryKeyFormat = 15;
constexpr size_t kEntryLeftThread = 16;
constexpr size_t kEntryRightThread = 17;
constexpr size_t kEntryBackThread = 18;
constexpr size_t kEntryFixed = 19;
constexpr size_t kEntryKeyType = 20;

// Tag header block.
constexpr size_t kTagRoot = 0;
constexpr size_t kTagFilePages = 4;
constexpr size_t kTagKeyFormat = 8;
constexpr size_t kTagKeyType = 9;
constexpr size_t kTagLanguageDriver = 11;
constexpr size_t kTagKeyLength = 12;
constexpr size_t kTagMaxKeys = 14;
constexpr size_t kTagSecondaryType = 16;
constexpr size_t kTagItemLength = 18;
constexpr size_t kTagVersion = 20;
constexpr size_t kTagUnique = 23;
constexpr size_t kTagExpression = 24;
constexpr size_t kTagForFilter = 245;
constexpr size_t kTagKeysExist = 246;
constexpr size_t kTagFirstLeaf = 248;
constexpr size_t kTagLastLeaf = 252;
constexpr size_t kTagCreated = 257;
constexpr size_t kTagBareField = 480;
constexpr std::uint8_t kFieldKey = 0x10;
constexpr std::uint8_t kDescending = 0x08;
constexpr std::uint8_t kDistinct = 0x20;
constexpr std::uint8_t kUniqueFlag = 0x40;

// Node.
constexpr size_t kNodeEntries = 8;

void putDate(std::string& bytes, size_t at, const CalendarDate& date) {
    bytes[at] = static_cast<char>(std::clamp(date.year - 1900, 0, 255));
    bytes[at + 1] = static_cast<char>(std::clamp(date.month, 1, 12));
    bytes[at + 2] = static_cast<char>(std::clamp(date.day, 1, 31));
}

CalendarDate readDate(std::string_view bytes, size_t at) {
    return {1900 + static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]),
            static_cast<unsigned char>(bytes[at + 2])};
}

std::string cString(std::string_view bytes) {
    return std::string(bytes.substr(0, std::min(bytes.find('\0'), bytes.size())));
}

[[noreturn]] void damaged(const std::string& path, const std::string& reason) {
    throw TableError("El índice " + path + " está dañado: " + reason, path);
}

// Julian day number of a YYYYMMDD text, 2000-01-01 being 2451545.
double julianDay(std::string_view text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return 0;
    }
    int y = std::stoi(std::string(text.substr(0, 4)));
    int m = std::stoi(std::string(text.substr(4, 2)));
    int d = std::stoi(std::string(text.substr(6, 2)));
    int a = (14 - m) / 12;
    long yy = y + 4800 - a;
    long mm = m + 12 * a - 3;
    return static_cast<double>(d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 -
                               32045);
}

// Threads of the binary tree over tag names, tags inserted in creation order (1-based numbers).
struct Threads {
    int left = 0;
    int right = 0;
    int back = 0;
};

std::vector<Threads> nameTree(const std::vector<Tag>& tags) {
    std::vector<Threads> threads(tags.size());
    for (size_t i = 1; i < tags.size(); ++i) {
        size_t at = 0;
        while (true) {
            bool lower = tags[i].name < tags[at].name;
            int& child = lower ? threads[at].left : threads[at].right;
            if (child == 0) {
                child = static_cast<int>(i) + 1;
                threads[i].back = static_cast<int>(at) + 1;
                break;
            }
            at = static_cast<size_t>(child) - 1;
        }
    }
    return threads;
}

struct Node {
    std::uint32_t page = 0;
    std::string maxKey;
};

// Splits count items into groups of at most capacity, as evenly as possible.
std::vector<size_t> groupSizes(size_t count, size_t capacity) {
    size_t groups = (count + capacity - 1) / capacity;
    std::vector<size_t> sizes(groups, count / groups);
    for (size_t i = 0; i < count % groups; ++i) {
        ++sizes[i];
    }
    return sizes;
}

struct TagNodes {
    std::uint32_t root = 0;
    std::uint32_t firstLeaf = 0;
    std::uint32_t lastLeaf = 0;
};

// Writes the tag's nodes from page nextPage on: leaves in key order, then each branch level.
TagNodes writeNodes(std::string& file, std::uint32_t& nextPage, const Tag& tag,
                    const std::vector<Entry>& entries) {
    const int item = itemLength(tag.keyLength);
    const int maxKeys = maxKeysPerNode(tag.keyLength);
    const size_t leafCapacity = static_cast<size_t>(std::max(1, maxKeys - 1));
    const size_t branchChildren = static_cast<size_t>(std::max(2, maxKeys));

    auto newBlock = [&]() {
        std::uint32_t page = nextPage;
        nextPage += kPagesPerBlock;
        file.resize(static_cast<size_t>(nextPage) * kPageSize, '\0');
        return page;
    };

    TagNodes result;
    if (entries.empty()) {
        result.root = result.firstLeaf = result.lastLeaf = newBlock();
        return result;
    }

    std::vector<Node> level;
    size_t next = 0;
    for (size_t size : groupSizes(entries.size(), leafCapacity)) {
        Node node{newBlock(), {}};
        size_t base = static_cast<size_t>(node.page) * kPageSize;
        putU32(file, base, static_cast<std::uint32_t>(size));
        for (size_t i = 0; i < size; ++i) {
            const Entry& entry = entries[next + i];
            size_t at = base + kNodeEntries + i * item;
            putU32(file, at, entry.recordNumber);
            file.replace(at + 4, static_cast<size_t>(tag.keyLength),
                         entry.key.substr(0, static_cast<size_t>(tag.keyLength)));
        }
        next += size;
        node.maxKey = entries[next - 1].key;
        level.push_back(std::move(node));
    }
    result.firstLeaf = level.front().page;
    result.lastLeaf = level.back().page;

    while (level.size() > 1) {
        std::vector<Node> parents;
        size_t child = 0;
        for (size_t size : groupSizes(level.size(), branchChildren)) {
            Node node{newBlock(), level[child + size - 1].maxKey};
            size_t base = static_cast<size_t>(node.page) * kPageSize;
            const size_t keys = size - 1;
            putU32(file, base, static_cast<std::uint32_t>(keys));
            for (size_t i = 0; i < keys; ++i) {
                size_t at = base + kNodeEntries + i * item;
                putU32(file, at, level[child + i].page);
                file.replace(at + 4, static_cast<size_t>(tag.keyLength),
                             level[child + i].maxKey.substr(0, static_cast<size_t>(tag.keyLength)));
            }
            putU32(file, base + kNodeEntries + keys * item, level[child + keys].page);
            child += size;
            parents.push_back(std::move(node));
        }
        level = std::move(parents);
    }
    result.root = level.front().page;
    return result;
}

}  // namespace

int itemLength(int keyLength) {
    return 4 + (keyLength + 3) / 4 * 4;
}

int maxKeysPerNode(int keyLength) {
    return static_cast<int>((kBlockSize - 12) / static_cast<size_t>(itemLength(keyLength)));
}

IndexFile parse(std::string_view file, const std::string& displayPath) {
    if (file.size() < kHeaderPages * kPageSize) {
        damaged(displayPath, "mide " + std::to_string(file.size()) +
                                 " bytes, menos que la cabecera de un índice .MDX");
    }
    std::uint8_t version = static_cast<std::uint8_t>(file[kVersionOffset]);
    if (version != 2 && version != 3) {
        damaged(displayPath,
                "no es un índice .MDX de dBase (versión " + std::to_string(version) + ")");
    }
    IndexFile index;
    index.created = readDate(file, kCreatedOffset);
    index.tableName = cString(file.substr(kTableNameOffset, kTableNameLength));
    index.languageDriver = static_cast<std::uint8_t>(file[kLanguageDriverOffset]);
    const unsigned tagCount = readU16(file, kTagsInUseOffset);
    const unsigned entryLength = static_cast<unsigned char>(file[kEntryLengthOffset]);
    if (tagCount > static_cast<unsigned>(kMaxTags)) {
        damaged(displayPath, "indica " + std::to_string(tagCount) + " etiquetas");
    }
    if (tagCount > 0 && entryLength != kTagEntryLength) {
        damaged(displayPath,
                "la longitud de las entradas de etiqueta es " + std::to_string(entryLength));
    }
    for (unsigned i = 0; i < tagCount; ++i) {
        std::string_view entry =
            file.substr(kTagTableOffset + i * kTagEntryLength, kTagEntryLength);
        Tag tag;
        tag.name = cString(entry.substr(kEntryName, kEntryNameLength));
        std::uint32_t page = readU32(entry, kEntryHeaderPage);
        if (page < kHeaderPages ||
            static_cast<unsigned long long>(page) * kPageSize + kPageSize > file.size()) {
            damaged(displayPath, "la etiqueta " + tag.name + " apunta a la página " +
                                     std::to_string(page) + ", fuera del archivo");
        }
        std::string_view header = file.substr(static_cast<size_t>(page) * kPageSize, kPageSize);
        auto format = static_cast<std::uint8_t>(header[kTagKeyFormat]);
        tag.keyType = header[kTagKeyType];
        tag.keyLength = readU16(header, kTagKeyLength);
        tag.expression = cString(header.substr(kTagExpression, kMaxExpression));
        tag.created = readDate(header, kTagCreated);
        tag.plain = (format & (kDescending | kDistinct | kUniqueFlag)) == 0 &&
                    header[kTagUnique] == 0 && header[kTagForFilter] == 0;
        bool lengthFits =
            (tag.keyType == 'C' && tag.keyLength >= 1 && tag.keyLength <= kMaxCharacterKey) ||
            (tag.keyType == 'N' && tag.keyLength == kBcdKeyLength) ||
            (tag.keyType == 'D' && tag.keyLength == 8);
        if (!lengthFits) {
            tag.plain = false;
        }
        index.tags.push_back(std::move(tag));
    }
    return index;
}

std::string keyFor(const dbf::Field& field, std::string_view raw, const Tag& tag) {
    switch (tag.keyType) {
        case 'N': {
            auto key = bcdFromDecimal(dbf::displayText(field, raw));
            return key ? *key : *bcdFromDecimal("0");
        }
        case 'D': {
            double day = julianDay(dbf::displayText(field, raw));
            std::string key(8, '\0');
            std::memcpy(key.data(), &day, sizeof day);  // little-endian IEEE double
            return key;
        }
        default: {
            std::string key(raw.substr(0, static_cast<size_t>(tag.keyLength)));
            key.resize(static_cast<size_t>(tag.keyLength), ' ');
            return key;
        }
    }
}

int compareKeys(char keyType, std::string_view a, std::string_view b) {
    switch (keyType) {
        case 'N':
            return compareBcd(a, b);
        case 'D': {
            double x = 0;
            double y = 0;
            std::memcpy(&x, a.data(), std::min(a.size(), sizeof x));
            std::memcpy(&y, b.data(), std::min(b.size(), sizeof y));
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        default: {
            int c = a.compare(b);  // char_traits<char> compares as unsigned char
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
    }
}

void sortEntries(char keyType, std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [keyType](const Entry& x, const Entry& y) {
        int c = compareKeys(keyType, x.key, y.key);
        return c != 0 ? c < 0 : x.recordNumber < y.recordNumber;
    });
}

std::string build(const IndexFile& index, const std::vector<std::vector<Entry>>& entriesPerTag,
                  const CalendarDate& today) {
    std::string file(kHeaderPages * kPageSize, '\0');
    file[kVersionOffset] = static_cast<char>(kVersionDbase4);
    putDate(file, kCreatedOffset, index.created);
    std::string tableName = index.tableName.substr(0, kStoredTableName);
    file.replace(kTableNameOffset, tableName.size(), tableName);
    putU16(file, kPagesPerBlockOffset, kPagesPerBlock);
    putU16(file, kBlockBytesOffset, kBlockSize);
    file[kProductionOffset] = 1;
    file[kSlotsOffset] = static_cast<char>(kTagSlots);
    file[kEntryLengthOffset] = static_cast<char>(kTagEntryLength);
    putU16(file, kTagsInUseOffset, static_cast<std::uint32_t>(index.tags.size()));
    file[kNextTagOffset] = static_cast<char>(index.tags.size() + 1);
    file[kLanguageDriverOffset] = static_cast<char>(index.languageDriver);
    putDate(file, kUpdatedOffset, today);
    file[kRootThreadOffset] = 1;

    const std::vector<Threads> threads = nameTree(index.tags);
    std::uint32_t nextPage = kHeaderPages;
    for (size_t t = 0; t < index.tags.size(); ++t) {
        const Tag& tag = index.tags[t];
        const std::uint32_t headerPage = nextPage;
        nextPage += kPagesPerBlock;
        file.resize(static_cast<size_t>(nextPage) * kPageSize, '\0');
        static const std::vector<Entry> none;
        const std::vector<Entry>& entries = t < entriesPerTag.size() ? entriesPerTag[t] : none;
        TagNodes nodes = writeNodes(file, nextPage, tag, entries);

        size_t e = kTagTableOffset + t * kTagEntryLength;
        putU32(file, e + kEntryHeaderPage, headerPage);
        file.replace(e + kEntryName, std::min(tag.name.size(), kEntryNameLength - 1), tag.name);
        file[e + kEntryKeyFormat] = static_cast<char>(kFieldKey);
        file[e + kEntryLeftThread] = static_cast<char>(threads[t].left);
        file[e + kEntryRightThread] = static_cast<char>(threads[t].right);
        file[e + kEntryBackThread] = static_cast<char>(threads[t].back);
        file[e + kEntryFixed] = 0x02;
        file[e + kEntryKeyType] = tag.keyType;

        size_t h = static_cast<size_t>(headerPage) * kPageSize;
        putU32(file, h + kTagRoot, nodes.root);
        putU32(file, h + kTagFilePages, kPagesPerBlock);
        file[h + kTagKeyFormat] = static_cast<char>(kFieldKey);
        file[h + kTagKeyType] = tag.keyType;
        file[h + kTagLanguageDriver] = static_cast<char>(index.languageDriver);
        putU16(file, h + kTagKeyLength, static_cast<std::uint32_t>(tag.keyLength));
        putU16(file, h + kTagMaxKeys, static_cast<std::uint32_t>(maxKeysPerNode(tag.keyLength)));
        putU16(file, h + kTagSecondaryType, tag.keyType == 'D' ? 1 : 0);
        putU16(file, h + kTagItemLength, static_cast<std::uint32_t>(itemLength(tag.keyLength)));
        file[h + kTagVersion] = 0x03;
        std::string expression = tag.expression.substr(0, kMaxExpression - 1);
        file.replace(h + kTagExpression, expression.size(), expression);
        file[h + kTagKeysExist] = entries.empty() ? 0 : 1;
        putU32(file, h + kTagFirstLeaf, nodes.firstLeaf);
        putU32(file, h + kTagLastLeaf, nodes.lastLeaf);
        putDate(file, h + kTagCreated, tag.created);
        file[h + kTagBareField] = 0x01;
    }
    putU32(file, kPageCountOffset, nextPage);
    return file;
}

}  // namespace qv::mdx
