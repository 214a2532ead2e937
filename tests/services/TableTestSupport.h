#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "services/CalendarDate.h"

// Helpers shared by the table engine tests.
namespace qv::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-table-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    // Files and folders directly inside, e.g. to see that no temporary was left behind.
    int entries() const {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(m_path), {}));
    }

private:
    std::filesystem::path m_path;
};

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The day every test table is dated with: 11 December 2026 (header bytes 7E 0C 0B).
inline CalendarDate fixedDay() {
    return {2026, 12, 11};
}
inline DateSource fixedClock() {
    return [] { return fixedDay(); };
}

// Little-endian integers and text placed at byte offsets, for building expected files.
class Bytes {
public:
    explicit Bytes(size_t size = 0) : m_bytes(size, '\0') {}
    Bytes& u8(size_t at, unsigned value) {
        grow(at + 1);
        m_bytes[at] = static_cast<char>(value & 0xFF);
        return *this;
    }
    Bytes& u16(size_t at, unsigned value) { return u8(at, value).u8(at + 1, value >> 8); }
    Bytes& u32(size_t at, std::uint32_t value) {
        return u16(at, value & 0xFFFF).u16(at + 2, value >> 16);
    }
    Bytes& text(size_t at, std::string_view value) {
        grow(at + value.size());
        m_bytes.replace(at, value.size(), value);
        return *this;
    }
    Bytes& append(std::string_view value) {
        m_bytes += value;
        return *this;
    }
    size_t size() const { return m_bytes.size(); }
    const std::string& str() const { return m_bytes; }

private:
    void grow(size_t size) {
        if (m_bytes.size() < size) {
            m_bytes.resize(size, '\0');
        }
    }
    std::string m_bytes;
};

// Hex dump of the first bytes that differ, for readable failures.
inline std::string firstDifference(const std::string& actual, const std::string& expected) {
    size_t n = std::min(actual.size(), expected.size());
    for (size_t i = 0; i < n; ++i) {
        if (actual[i] != expected[i]) {
            char buf[96];
            std::snprintf(
                buf, sizeof buf, "first difference at byte %zu: actual 0x%02X expected 0x%02X", i,
                static_cast<unsigned char>(actual[i]), static_cast<unsigned char>(expected[i]));
            return buf;
        }
    }
    return actual.size() == expected.size()
               ? std::string("identical")
               : "sizes differ: actual " + std::to_string(actual.size()) + " expected " +
                     std::to_string(expected.size());
}

}  // namespace qv::test
