#include "services/XmlPartWriter.h"

#include <libxml/tree.h>

#include <random>

#include "services/Error.h"
#include "services/FileLock.h"
#include "services/Text.h"

namespace qv {

namespace {

// Encodings where every byte below 0x80 stands for itself and no state runs from one piece of
// text to the next: a document in one of them can be cut at a tag and written in pieces.
bool cutsSafely(const std::string& encoding) {
    const std::string e = upperAZ(encoding);
    return e.empty() || e == "UTF-8" || e == "UTF8" || e == "US-ASCII" || e == "ASCII" ||
           e.rfind("ISO-8859-", 0) == 0 || e.rfind("ISO8859-", 0) == 0 ||
           e.rfind("WINDOWS-125", 0) == 0 || e.rfind("CP125", 0) == 0;
}

}  // namespace

XmlPartWriter::XmlPartWriter(XmlDocument& doc, XmlNode container, std::filesystem::path target)
    : m_doc(doc), m_container(container), m_file(std::move(target)) {
    if (!m_container || !cutsSafely(m_doc.encoding())) {
        return;
    }
    // The document is written once with a marker where the parts will go, and cut there.
    const std::string marca = "qv-partes-" + std::to_string(std::random_device()());
    XmlNode hueco = m_doc.createElement(marca);
    m_container.appendChild(hueco);
    std::string bytes;
    try {
        bytes = m_doc.toBytes();
    } catch (...) {
        m_doc.discard(hueco);
        throw;
    }
    m_doc.discard(hueco);
    const std::string etiqueta = "<" + marca + "/>";
    const std::size_t donde = bytes.find(etiqueta);
    if (donde == std::string::npos || bytes.find(etiqueta, donde + 1) != std::string::npos) {
        return;
    }
    m_after = bytes.substr(donde + etiqueta.size());
    bytes.resize(donde);
    if (!m_file.open() || !m_file.write(bytes)) {
        failed();
    }
    m_byParts = true;
}

void XmlPartWriter::write(XmlNode part) {
    if (!m_byParts) {
        return;
    }
    if (part.raw() == nullptr || part.raw()->parent != m_container.raw() ||
        part.raw()->next != nullptr) {
        throw XmlError("Solo se puede escribir el último hijo del elemento que se está guardando");
    }
    if (!m_file.write(m_doc.nodeBytes(part))) {
        failed();
    }
    m_doc.discard(part);
}

void XmlPartWriter::finish() {
    if (!m_byParts) {
        m_doc.save(m_file.target());
        return;
    }
    if (!m_file.write(m_after) || !m_file.commit()) {
        failed();
    }
}

void XmlPartWriter::failed() const {
    throw XmlError("No se puede guardar el archivo '" + m_file.target().string() +
                   "': " + systemErrorText(m_file.errorNumber()));
}

}  // namespace qv
