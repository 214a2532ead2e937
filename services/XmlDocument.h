#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

namespace qv {

class XmlNodeList;

// A non-owning handle on an element (or other node) of an XmlDocument; null when a search found
// nothing. Text crosses this boundary as UTF-8. Valid while its document lives. A null node
// reads as empty (no name, no text, no children); changing it throws XmlError.
class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(_xmlNode* node) : m_node(node) {}

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    _xmlNode* raw() const { return m_node; }

    std::string name() const;
    // All the text inside the node, concatenated. Internal entities are expanded within a
    // budget (XmlError beyond it); external ones are never read and give nothing.
    std::string text() const;
    // The node's content becomes that one text.
    void setText(const std::string& utf8);
    std::string attribute(const std::string& name) const;
    // Attributes keep the order in which they were first set.
    void setAttribute(const std::string& name, const std::string& utf8);

    XmlNode firstChild() const;
    // An XPath from this node ("dato"); an absolute path is evaluated from the document root.
    XmlNodeList selectNodes(const std::string& xpath) const;
    // The child elements named NAME without a namespace, in document order, as selectNodes(NAME)
    // finds them but without an XPath evaluation or a list: how many, and the one at INDEX
    // (null past the end).
    int childElementCount(std::string_view name) const;
    XmlNode childElement(std::string_view name, int index) const;
    // The first match of selectNodes, or a null node.
    XmlNode selectSingleNode(const std::string& xpath) const;

    void appendChild(XmlNode child);
    // Unlinks CHILD; its document keeps it alive until the document goes.
    void removeChild(XmlNode child);

    bool operator==(const XmlNode& other) const { return m_node == other.m_node; }

private:
    _xmlNode* m_node = nullptr;
};

// Nodes in document order. item(i) past the end gives a null node.
class XmlNodeList {
public:
    XmlNodeList() = default;
    explicit XmlNodeList(std::vector<XmlNode> nodes) : m_nodes(std::move(nodes)) {}

    int length() const { return static_cast<int>(m_nodes.size()); }
    XmlNode item(int i) const;
    auto begin() const { return m_nodes.begin(); }
    auto end() const { return m_nodes.end(); }

private:
    std::vector<XmlNode> m_nodes;
};

// An owning XML document on libxml2. Parsing never touches the network, never reads an external
// entity or DTD, and drops white space between elements. Every failure throws XmlError with the
// library's message (and line, when parsing).
class XmlDocument {
public:
    // A new empty document.
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the content by the file's, honouring the encoding its declaration names.
    void load(const std::filesystem::path& path);
    // The same from a text in memory (tests, and load itself).
    void loadXml(std::string_view bytes);

    XmlNode documentElement() const;
    XmlNodeList selectNodes(const std::string& xpath) const;
    XmlNode selectSingleNode(const std::string& xpath) const;

    XmlNode createElement(const std::string& name);
    // At document level: appending an element when there is no root makes it the root.
    void appendChild(XmlNode child);
    void removeChild(XmlNode child);

    // The encoding named by the loaded declaration ("" when none).
    std::string encoding() const;

    // Writes the whole document, everything outside the root included, in the encoding its
    // declaration names; no declaration when the loaded file had none. Written to a temporary
    // name and renamed into place, so a failure leaves any earlier file untouched.
    void save(const std::filesystem::path& path) const;
    // The bytes save() would write.
    std::string toBytes() const;
    // The bytes save() writes for NODE, an element of this document, and what it holds.
    std::string nodeBytes(XmlNode node) const;
    // Takes NODE out of the document and frees it with everything inside it at once; handles on
    // any of them are no longer valid. For parts of a large document already written.
    void discard(XmlNode node);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace qv
