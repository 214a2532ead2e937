#include "services/DbfHeader.h"

#include <algorithm>
#include <cstdio>

#include "services/Error.h"
#include "services/LittleEndian.h"

namespace qv::dbf {

namespace {

[[noreturn]] void damaged(const std::string& path, const std::string& reason) {
    throw TableError("La tabla " + path + " está dañada: " + reason, path);
}

std::string number(unsigned long long value) {
    return std::to_string(value);
}

// The name bytes up to the first NUL, blanks at the end dropped.
std::string nameFrom(std::string_view bytes) {
    std::string name(bytes.substr(0, std::min(bytes.find('\0'), bytes.size())));
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

// Binary fields have one width; anything else means the descriptor is garbage.
int requiredWidth(char type) {
    switch (type) {
        case 'I':
        case '+':
            return 4;
        case 'O':
        case '@':
            return 8;
        default:
            return 0;
    }
}

}  // namespace

bool isKnownVersion(std::uint8_t version) {
    switch (version) {
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x30:
        case 0x31:
        case 0x43:
        case 0x63:
        case 0x83:
        case 0x8B:
        case 0x8C:
        case 0xCB:
        case 0xF5:
        case 0xFB:
            return true;
        default:
            return false;
    }
}

Header parseHeader(std::string_view file, const std::string& displayPath) {
    if (file.size() < kMainHeaderLength) {
        damaged(displayPath,
                "el archivo mide " + number(file.size()) + " bytes, menos que una cabecera dBase");
    }
    Header header;
    header.version = static_cast<std::uint8_t>(file[kVersionOffset]);
    if (!isKnownVersion(header.version)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", header.version);
        throw TableError("No se puede abrir " + displayPath +
                             ": no es una tabla dBase (byte de versión " + hex + ")",
                         displayPath);
    }
    header.updated = {1900 + static_cast<unsigned char>(file[kDateOffset]),
                      static_cast<unsigned char>(file[kDateOffset + 1]),
                      static_cast<unsigned char>(file[kDateOffset + 2])};
    header.recordCount = readU32(file, kRecordCountOffset);
    header.headerLength = readU16(file, kHeaderLengthOffset);
    header.recordLength = readU16(file, kRecordLengthOffset);
    header.productionMdx = file[kMdxFlagOffset] == 1;
    header.languageDriver = static_cast<std::uint8_t>(file[kLanguageDriverOffset]);

    const bool level7 = header.level7();
    const size_t mainLength = level7 ? kLevel7MainHeaderLength : kMainHeaderLength;
    const size_t descriptorLength = level7 ? kLevel7DescriptorLength : kDescriptorLength;
    if (header.headerLength < mainLength + 1) {
        damaged(displayPath, "la longitud de la cabecera (" + number(header.headerLength) +
                                 " bytes) es menor que el mínimo de " + number(mainLength + 1));
    }
    if (header.headerLength > file.size()) {
        damaged(displayPath, "la longitud de la cabecera (" + number(header.headerLength) +
                                 " bytes) supera el tamaño del archivo (" + number(file.size()) +
                                 " bytes)");
    }

    // Descriptors run until a slot that starts with the terminator, inside the header length.
    std::string_view head = file.substr(0, header.headerLength);
    size_t at = mainLength;
    bool terminated = false;
    int recordBytes = 1;
    while (at < head.size()) {
        if (head[at] == kTerminator) {
            terminated = true;
            break;
        }
        if (at + descriptorLength > head.size()) {
            break;
        }
        std::string_view d = head.substr(at, descriptorLength);
        Field field;
        const int position = static_cast<int>(header.fields.size()) + 1;
        if (level7) {
            field.name = nameFrom(d.substr(0, kLevel7NameLength));
            field.type = d[kLevel7TypeOffset];
            field.width = static_cast<unsigned char>(d[kLevel7WidthOffset]);
            field.decimals = static_cast<unsigned char>(d[kLevel7DecimalsOffset]);
            field.mdxFlag = d[kLevel7FieldMdxFlagOffset] == 1;
        } else {
            field.name = nameFrom(d.substr(0, kNameLength));
            field.type = d[kTypeOffset];
            field.width = static_cast<unsigned char>(d[kWidthOffset]);
            field.decimals = static_cast<unsigned char>(d[kDecimalsOffset]);
            field.mdxFlag = d[kFieldMdxFlagOffset] == 1;
        }
        if (field.name.empty()) {
            damaged(displayPath, "el campo " + number(position) + " no tiene nombre");
        }
        if (field.width == 0) {
            damaged(displayPath, "el campo " + field.name + " tiene longitud cero");
        }
        int required = requiredWidth(field.type);
        if (required != 0 && field.width != required) {
            damaged(displayPath, "el campo " + field.name + " de tipo " +
                                     std::string(1, field.type) + " mide " + number(field.width) +
                                     " bytes en vez de " + number(required));
        }
        field.foxBinary = header.version == 0x30 || header.version == 0x31;
        if (field.foxBinary && field.type == 'B' && field.width != 8) {
            damaged(displayPath, "el campo " + field.name + " de tipo B mide " +
                                     number(field.width) + " bytes en vez de 8");
        }
        field.offset = recordBytes;
        recordBytes += field.width;
        header.fields.push_back(std::move(field));
        at += descriptorLength;
    }
    if (!terminated) {
        damaged(displayPath, "falta el terminador de la lista de campos");
    }
    if (header.fields.empty()) {
        damaged(displayPath, "la tabla no tiene campos");
    }
    if (recordBytes > header.recordLength) {
        damaged(displayPath, "la longitud de fila (" + number(header.recordLength) +
                                 " bytes) es menor que la suma de los campos (" +
                                 number(recordBytes) + " bytes)");
    }

    const unsigned long long dataBytes = file.size() - header.headerLength;
    const unsigned long long needed =
        static_cast<unsigned long long>(header.recordCount) * header.recordLength;
    if (needed > dataBytes) {
        unsigned long long whole = dataBytes / header.recordLength;
        if (whole + 1 == header.recordCount && dataBytes % header.recordLength != 0) {
            damaged(displayPath, "la última fila está incompleta");
        }
        damaged(displayPath, "la cabecera indica " + number(header.recordCount) +
                                 " filas, pero el archivo (" + number(file.size()) +
                                 " bytes) solo puede contener " + number(whole));
    }
    return header;
}

void computeLayout(Header& header) {
    const bool level7 = header.level7();
    size_t length = level7 ? kLevel7MainHeaderLength : kMainHeaderLength;
    length += header.fields.size() * (level7 ? kLevel7DescriptorLength : kDescriptorLength);
    length += 1;  // terminator
    if (level7) {
        length += kPropertiesBlockLength;
    }
    header.headerLength = static_cast<std::uint16_t>(length);
    int offset = 1;
    for (Field& field : header.fields) {
        field.offset = offset;
        offset += field.width;
    }
    header.recordLength = static_cast<std::uint16_t>(offset);
}

std::string dateAndCountBytes(const CalendarDate& date, std::uint32_t recordCount) {
    std::string bytes(7, '\0');
    bytes[0] = static_cast<char>(std::clamp(date.year - 1900, 0, 255));
    bytes[1] = static_cast<char>(std::clamp(date.month, 1, 12));
    bytes[2] = static_cast<char>(std::clamp(date.day, 1, 31));
    putU32(bytes, 3, recordCount);
    return bytes;
}

std::string serializeHeader(const Header& header) {
    const bool level7 = header.level7();
    const size_t mainLength = level7 ? kLevel7MainHeaderLength : kMainHeaderLength;
    std::string bytes(mainLength, '\0');
    bytes[kVersionOffset] = static_cast<char>(header.version);
    bytes.replace(kDateOffset, 7, dateAndCountBytes(header.updated, header.recordCount));
    putU16(bytes, kHeaderLengthOffset, header.headerLength);
    putU16(bytes, kRecordLengthOffset, header.recordLength);
    bytes[kMdxFlagOffset] = header.productionMdx ? 1 : 0;
    bytes[kLanguageDriverOffset] = static_cast<char>(header.languageDriver);
    if (level7) {
        bytes.replace(kDriverNameOffset, kLanguageDriverName.size(), kLanguageDriverName);
    }

    for (const Field& field : header.fields) {
        if (level7) {
            std::string d(kLevel7DescriptorLength, '\0');
            d.replace(0, std::min(field.name.size(), kLevel7NameLength - 1), field.name);
            d[kLevel7TypeOffset] = field.type;
            d[kLevel7WidthOffset] = static_cast<char>(field.width);
            d[kLevel7DecimalsOffset] = static_cast<char>(field.decimals);
            d[kLevel7FieldMdxFlagOffset] = field.mdxFlag ? 1 : 0;
            bytes += d;
        } else {
            std::string d(kDescriptorLength, '\0');
            d.replace(0, std::min(field.name.size(), kNameLength - 1), field.name);
            d[kTypeOffset] = field.type;
            d[kWidthOffset] = static_cast<char>(field.width);
            d[kDecimalsOffset] = static_cast<char>(field.decimals);
            d[kFieldMdxFlagOffset] = field.mdxFlag ? 1 : 0;
            bytes += d;
        }
    }
    bytes += kTerminator;
    if (level7) {
        // No properties: every array starts, and the data starts, right after the 16 bytes.
        std::string block(kPropertiesBlockLength, '\0');
        for (size_t at = 2; at < 14; at += 4) {
            putU16(block, at, kPropertiesBlockLength);
        }
        putU16(block, 12, kPropertiesBlockLength);
        putU16(block, 14, kPropertiesBlockLength);
        bytes += block;
    }
    return bytes;
}

}  // namespace qv::dbf
