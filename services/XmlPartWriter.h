#pragma once

#include <filesystem>
#include <string>

#include "services/ReplacingFile.h"
#include "services/XmlDocument.h"

namespace qv {

// Saves a document part by part, so that a large one never has to be whole in memory: the
// document as it stands is written around one of its elements, the container, and each child the
// container then receives is written and freed as soon as it is complete. The file gets the
// bytes save() would have written had every part stayed in place. It goes to a temporary name
// and is renamed into place by finish(); a writer that goes without it leaves the target as it
// was. Documents in an encoding whose bytes cannot be cut apart safely are kept whole and saved
// by finish() instead.
class XmlPartWriter {
public:
    // CONTAINER: an element of DOC, in its tree, whose children are still to come. XmlError
    // when the temporary file cannot be made.
    XmlPartWriter(XmlDocument& doc, XmlNode container, std::filesystem::path target);
    XmlPartWriter(const XmlPartWriter&) = delete;
    XmlPartWriter& operator=(const XmlPartWriter&) = delete;

    // PART: the container's last child, complete. Written, then freed (no handle on it or inside
    // it stays valid).
    void write(XmlNode part);
    // Writes the rest of the document and puts the file in place.
    void finish();

private:
    [[noreturn]] void failed() const;

    XmlDocument& m_doc;
    XmlNode m_container;
    ReplacingFile m_file;
    bool m_byParts = false;
    std::string m_after;  // what follows the container's children
};

}  // namespace qv
