#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// An error whose what() is the exact text shown to the person, in UTF-8.
// Nothing inside a run catches it; the desktop program and the CLI report it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not a whole number: "'%s' no es un valor entero válido".
class ConversionError : public Error {
public:
    explicit ConversionError(const std::string& text);
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// A failure of the XML service; line is 0 when the library gave none.
class XmlError : public Error {
public:
    XmlError(const std::string& message, int line = 0) : Error(message), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

// A failure of the table engine; file names the table file involved.
class TableError : public Error {
public:
    TableError(const std::string& message, std::string file = {})
        : Error(message), m_file(std::move(file)) {}
    const std::string& file() const { return m_file; }

private:
    std::string m_file;
};

}  // namespace qv
