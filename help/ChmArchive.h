#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

// A compiled HTML help file opened for reading (chmlib). Plain C++, no window toolkit.
namespace qv::help {

class ChmArchive {
public:
    // Opens the file; nothing when it is missing or not a compiled help file.
    static std::unique_ptr<ChmArchive> open(const std::string& path);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    // The path the archive was opened from.
    const std::string& path() const { return m_path; }
    // True when the archive holds a file at that path ("/a.htm" or "a.htm"; no "#anchor").
    bool contains(const std::string& name) const;
    // The bytes of the file at that path; nothing when it is absent or unreadable.
    std::optional<std::string> read(const std::string& name) const;
    // Every file of the archive (paths from "/"), folders and internal files left out.
    std::vector<std::string> topics() const;

    // The topic of a help context by the file's own map (#IVB/#STRINGS), as a path in the
    // archive without the leading "/"; nothing when the map lacks the context.
    std::optional<std::string> topicForContext(std::uint32_t context) const;
    // Every context number of the file's own map, in the order it stores them.
    std::vector<std::uint32_t> contexts() const;

    // The table of contents file (.hhc) named by the archive; empty when it names none.
    std::string contentsFile() const;
    // The index file (.hhk) named by the archive; empty when it names none.
    std::string indexFile() const;
    // The topic shown first; empty when the archive names none.
    std::string defaultTopic() const;
    // The help file's title (bytes as stored); empty when it has none.
    std::string title() const;

private:
    ChmArchive(std::string path, chmFile* file);
    std::string systemEntry(unsigned code) const;
    std::string existingName(std::string name) const;

    std::string m_path;
    chmFile* m_file;
};

// Text of the help file as UTF-8: kept when it already is valid UTF-8, else read as
// Windows-1252 (the code page such help files are written in for Spanish).
std::string helpTextToUtf8(std::string_view bytes);

// Text of an HTML topic as UTF-8, by the charset its <meta> names (utf-8, windows-1252 or
// iso-8859-1), otherwise as helpTextToUtf8 reads it.
std::string htmlToUtf8(std::string_view bytes);

}  // namespace qv::help
