#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Little-endian integers inside the byte images of table and index files. Callers check the
// bounds first.
namespace qv::dbf {

inline std::uint16_t readU16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

inline std::uint32_t readU32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(readU16(bytes, at)) |
           static_cast<std::uint32_t>(readU16(bytes, at + 2)) << 16;
}

inline void putU16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void putU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    putU16(bytes, at, value & 0xFFFF);
    putU16(bytes, at + 2, value >> 16);
}

}  // namespace qv::dbf
