#include "services/XmlDocument.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlstring.h>
#include <libxml/xpath.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "services/Error.h"
#include "services/FileLock.h"
#include "services/ReplacingFile.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

// Text that entity references may add to one text() read, and to the whole document at load.
// Real exchange documents use none; the budget keeps a document of nested entities from
// expanding into gigabytes.
constexpr std::size_t kEntityTextBudget = 1 << 20;
constexpr int kEntityDepthLimit = 16;

const xmlChar* xml(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}
std::string str(const xmlChar* s) {
    return s ? reinterpret_cast<const char*>(s) : std::string();
}

void initLibrary() {
    static const bool done = [] {
        xmlInitParser();
        return true;
    }();
    (void)done;
}

// Collects the first error libxml2 reports while it lives, and restores the handler that was
// installed before.
class ErrorCollector {
public:
    ErrorCollector()
        : m_previous(xmlStructuredError), m_previousContext(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(this, &ErrorCollector::handle);
    }
    ~ErrorCollector() { xmlSetStructuredErrorFunc(m_previousContext, m_previous); }
    ErrorCollector(const ErrorCollector&) = delete;
    ErrorCollector& operator=(const ErrorCollector&) = delete;

    bool any() const { return m_seen; }
    int line() const { return m_line; }
    const std::string& message() const { return m_message; }

    // "Error en la línea N: <library message>", or FALLBACK when the library said nothing.
    std::string describe(const std::string& fallback) const {
        if (!m_seen) {
            return fallback;
        }
        if (m_line > 0) {
            return "Error en la línea " + std::to_string(m_line) + ": " + m_message;
        }
        return m_message;
    }

private:
    static void handle(void* self, xmlErrorPtr error) {
        auto* me = static_cast<ErrorCollector*>(self);
        if (me->m_seen || error == nullptr || error->level < XML_ERR_ERROR) {
            return;
        }
        me->m_seen = true;
        me->m_line = error->line;
        std::string text = error->message ? error->message : "error desconocido";
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
        me->m_message = text;
    }

    xmlStructuredErrorFunc m_previous;
    void* m_previousContext;
    bool m_seen = false;
    int m_line = 0;
    std::string m_message;
};

// Refuses every external entity, DTD and schema while it lives.
class EntityLoaderGuard {
public:
    EntityLoaderGuard() : m_previous(xmlGetExternalEntityLoader()) {
        xmlSetExternalEntityLoader(&EntityLoaderGuard::refuse);
    }
    ~EntityLoaderGuard() { xmlSetExternalEntityLoader(m_previous); }
    EntityLoaderGuard(const EntityLoaderGuard&) = delete;
    EntityLoaderGuard& operator=(const EntityLoaderGuard&) = delete;

private:
    static xmlParserInputPtr refuse(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }
    xmlExternalEntityLoader m_previous;
};

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ParserCtxtFree {
    void operator()(xmlParserCtxt* ctxt) const {
        if (ctxt->myDoc != nullptr) {
            xmlFreeDoc(ctxt->myDoc);
            ctxt->myDoc = nullptr;
        }
        xmlFreeParserCtxt(ctxt);
    }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* ctx) const { xmlXPathFreeContext(ctx); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObject* obj) const { xmlXPathFreeObject(obj); }
};
struct XmlCharFree {
    void operator()(xmlChar* s) const { xmlFree(s); }
};

using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

// Nodes taken out of the tree (or created and not yet placed). Callers may still hold handles
// on them, so they live until their document goes; then the ones still outside the tree are
// freed. A node placed in the tree or inside another kept node leaves the list.
struct DetachedNodes {
    std::unordered_set<xmlNodePtr> nodes;

    void keep(xmlNodePtr node) { nodes.insert(node); }
    void placed(xmlNodePtr node) { nodes.erase(node); }

    // Must run before the document is freed: the nodes' names live in its dictionary.
    // Only the roots of detached subtrees are freed (their descendants go with them), and they
    // are all found before any is freed, as a listed node may lie inside another's subtree.
    void freeAll() {
        std::unordered_set<xmlNodePtr> roots;
        for (xmlNodePtr node : nodes) {
            if (node->parent == nullptr) {
                roots.insert(node);
            }
        }
        for (xmlNodePtr root : roots) {
            xmlFreeNode(root);
        }
        nodes.clear();
    }
};

DetachedNodes* detachedOf(xmlNodePtr node) {
    return node->doc ? static_cast<DetachedNodes*>(node->doc->_private) : nullptr;
}

void checkUsable(xmlNodePtr node, const char* what) {
    if (node == nullptr) {
        throw XmlError(std::string("No se puede ") + what + ": el nodo no existe");
    }
}

// Text the XML 1.0 output can carry: valid UTF-8 and no control characters but tab and line
// ends (libxml2 would write others as character references no parser accepts).
void checkText(const std::string& utf8) {
    if (!xmlCheckUTF8(xml(utf8))) {
        throw XmlError("El texto no es UTF-8 válido");
    }
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') {
            throw XmlError("El texto contiene un carácter de control que XML no admite");
        }
    }
    if (utf8.find('\0') != std::string::npos) {
        throw XmlError("El texto contiene un carácter nulo");
    }
}

void checkName(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos || !xmlCheckUTF8(xml(name)) ||
        xmlValidateName(xml(name), 0) != 0) {
        throw XmlError("'" + name + "' no es un nombre XML válido");
    }
}

bool isAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node) {
    for (xmlNodePtr n = node; n != nullptr; n = n->parent) {
        if (n == candidate) {
            return true;
        }
    }
    return false;
}

// Links CHILD (already unlinked) after PARENT's last child. Done by hand because xmlAddChild
// merges adjacent text nodes and frees the one appended, which would leave handles dangling.
void linkLast(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr) {
        parent->last->next = child;
    } else {
        parent->children = child;
    }
    parent->last = child;
}

void detachChildren(xmlNodePtr node) {
    DetachedNodes* detached = detachedOf(node);
    while (node->children != nullptr) {
        xmlNodePtr child = node->children;
        xmlUnlinkNode(child);
        if (detached != nullptr) {
            detached->keep(child);
        } else {
            xmlFreeNode(child);
        }
    }
}

class TextCollector {
public:
    std::string collect(xmlNodePtr node) {
        switch (node->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
            case XML_COMMENT_NODE:
            case XML_PI_NODE:
                return str(node->content);
            default:
                addChildren(node, 0);
                return std::move(m_text);
        }
    }

private:
    void addChildren(xmlNodePtr node, int depth) {
        if (node->type == XML_ENTITY_REF_NODE) {
            addEntity(node, depth);
            return;
        }
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
            add(child, depth);
        }
    }

    void add(xmlNodePtr node, int depth) {
        switch (node->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                append(node->content, depth);
                break;
            case XML_ELEMENT_NODE:
                addChildren(node, depth);
                break;
            case XML_ENTITY_REF_NODE:
                addEntity(node, depth);
                break;
            default:
                break;  // comments and processing instructions hold no text of the element
        }
    }

    // Only the entity's parsed content, which lives in memory: external entities are never
    // loaded, so they read as nothing.
    void addEntity(xmlNodePtr ref, int depth) {
        xmlEntityPtr entity = xmlGetDocEntity(ref->doc, ref->name);
        if (entity == nullptr) {
            return;
        }
        if (depth >= kEntityDepthLimit) {
            throw XmlError("Las entidades del documento están anidadas demasiado hondo");
        }
        for (xmlNodePtr child = entity->children; child != nullptr; child = child->next) {
            add(child, depth + 1);
        }
    }

    void append(const xmlChar* content, int depth) {
        if (content == nullptr) {
            return;
        }
        const std::string_view piece(reinterpret_cast<const char*>(content));
        if (depth > 0) {
            if (piece.size() > kEntityTextBudget - m_fromEntities) {
                throw XmlError("Las entidades del documento dan un texto demasiado largo");
            }
            m_fromEntities += piece.size();
        }
        m_text += piece;
    }

    std::string m_text;
    std::size_t m_fromEntities = 0;
};

// Adds up, without building it, the text that every entity reference of the document expands
// to. Refusing a document past the budget at load time means a run never fails half way
// through on a text() read, after it has already rewritten some of its tables.
class EntityTextMeter {
public:
    void measureDocument(xmlNodePtr node) {
        for (; node != nullptr; node = node->next) {
            if (node->type == XML_ENTITY_REF_NODE) {
                charge(entitySize(node, 0));
            } else if (node->type == XML_ELEMENT_NODE) {
                measureDocument(node->children);
            }
        }
    }

private:
    void charge(std::size_t size) {
        if (size > kEntityTextBudget - m_total) {
            throw XmlError("Las entidades del documento dan un texto demasiado largo");
        }
        m_total += size;
    }

    // The text length one reference expands to; memoised per entity, bounded by the budget.
    std::size_t entitySize(xmlNodePtr ref, int depth) {
        xmlEntityPtr entity = xmlGetDocEntity(ref->doc, ref->name);
        if (entity == nullptr) {
            return 0;
        }
        if (const auto known = m_sizes.find(entity); known != m_sizes.end()) {
            return known->second;
        }
        if (depth >= kEntityDepthLimit) {
            throw XmlError("Las entidades del documento están anidadas demasiado hondo");
        }
        const std::size_t size = contentSize(entity->children, depth + 1);
        m_sizes.emplace(entity, size);
        return size;
    }

    std::size_t contentSize(xmlNodePtr node, int depth) {
        std::size_t size = 0;
        for (; node != nullptr; node = node->next) {
            std::size_t piece = 0;
            switch (node->type) {
                case XML_TEXT_NODE:
                case XML_CDATA_SECTION_NODE:
                    piece = node->content ? xmlStrlen(node->content) : 0;
                    break;
                case XML_ELEMENT_NODE:
                    piece = contentSize(node->children, depth);
                    break;
                case XML_ENTITY_REF_NODE:
                    piece = entitySize(node, depth);
                    break;
                default:
                    break;
            }
            if (piece > kEntityTextBudget - size) {
                throw XmlError("Las entidades del documento dan un texto demasiado largo");
            }
            size += piece;
        }
        return size;
    }

    std::unordered_map<xmlEntityPtr, std::size_t> m_sizes;
    std::size_t m_total = 0;
};

XmlNodeList evaluate(xmlDocPtr doc, xmlNodePtr context, const std::string& xpath) {
    initLibrary();
    ErrorCollector errors;
    std::unique_ptr<xmlXPathContext, XPathContextFree> ctx(xmlXPathNewContext(doc));
    if (!ctx) {
        throw XmlError(errors.describe("No se puede evaluar la expresión '" + xpath + "'"));
    }
    ctx->node = context != nullptr ? context : reinterpret_cast<xmlNodePtr>(doc);
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(
        xmlXPathEvalExpression(xml(xpath), ctx.get()));
    if (!result) {
        const std::string why = errors.any() ? ": " + errors.message() : std::string();
        throw XmlError("La expresión '" + xpath + "' no es válida" + why);
    }
    if (result->type != XPATH_NODESET) {
        throw XmlError("La expresión '" + xpath + "' no selecciona nodos");
    }
    std::vector<XmlNode> nodes;
    if (result->nodesetval != nullptr) {
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlNodePtr node = result->nodesetval->nodeTab[i];
            if (node != nullptr && node->type != XML_NAMESPACE_DECL) {
                nodes.emplace_back(node);
            }
        }
    }
    return XmlNodeList(std::move(nodes));
}

// Where serialised bytes go: a string, or a file as they come. False when they cannot be taken.
using ByteSink = std::function<bool(std::string_view)>;

int writeToSink(void* context, const char* buffer, int len) {
    const auto& sink = *static_cast<const ByteSink*>(context);
    return sink(std::string_view(buffer, static_cast<std::size_t>(len))) ? len : -1;
}

// The document, or only NODE of it when given, serialised in ENCODING into SINK, with or
// without libxml2's own declaration.
void serialise(xmlDocPtr doc, xmlNodePtr node, const std::string& encoding, bool withDeclaration,
               const ByteSink& sink) {
    initLibrary();
    ErrorCollector errors;
    // No XML_SAVE_FORMAT: the written part carries no indentation or line breaks.
    xmlSaveCtxtPtr save = xmlSaveToIO(&writeToSink, nullptr, const_cast<ByteSink*>(&sink),
                                      encoding.c_str(), withDeclaration ? 0 : XML_SAVE_NO_DECL);
    if (save == nullptr) {
        throw XmlError(
            errors.describe("No se puede escribir el documento en la codificación " + encoding));
    }
    const long written = node != nullptr ? xmlSaveTree(save, node) : xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0 || errors.any()) {
        throw XmlError(errors.describe("No se puede escribir el documento XML"));
    }
}

enum class Declaration { None, Kept, Library };

// True when BYTES begin (after a byte order mark) with "<?xml" in UTF-16 or UTF-32.
bool startsWithWideDeclaration(std::string_view bytes) {
    static const std::string_view kForms[] = {
        {"<\0?\0x\0m\0l\0", 10},
        {"\0<\0?\0x\0m\0l", 10},
        {"<\0\0\0?\0\0\0x\0\0\0m\0\0\0l\0\0\0", 20},
        {"\0\0\0<\0\0\0?\0\0\0x\0\0\0m\0\0\0l", 20},
    };
    for (std::size_t bom : {0, 2, 4}) {
        if (bom > bytes.size()) {
            break;
        }
        for (std::string_view form : kForms) {
            if (bytes.substr(bom, form.size()) == form) {
                return true;
            }
        }
    }
    return false;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw XmlError("No se puede abrir el archivo '" + path.string() + "'");
    }
    // In one read when the size is known; a file that grows meanwhile is read to its end.
    std::string bytes;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size < static_cast<std::uintmax_t>(INT_MAX)) {
        bytes.resize(static_cast<std::size_t>(size));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        if (in.eof()) {
            in.clear(std::ios::eofbit);
        }
    }
    if (in.good()) {
        bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (in.bad()) {
        throw XmlError("No se puede leer el archivo '" + path.string() + "'");
    }
    return bytes;
}

}  // namespace

struct XmlDocument::Impl {
    DocPtr doc;
    DetachedNodes detached;
    Declaration declaration = Declaration::None;
    std::string declarationText;  // as loaded, for Declaration::Kept
    std::string encoding;         // named by the loaded declaration
    bool utf8Bom = false;

    Impl() { adopt(DocPtr(xmlNewDoc(xml("1.0")))); }

    void writeTo(const ByteSink& sink) const;
    // NODE and what it holds, as writeTo() writes it inside the document.
    void writeNode(xmlNodePtr node, const ByteSink& sink) const;
    // A wide declaration without encoding: the byte order mark told UTF-16.
    std::string outputEncoding() const {
        return !encoding.empty()                     ? encoding
               : declaration == Declaration::Library ? "UTF-16"
                                                     : "UTF-8";
    }
    ~Impl() { release(); }

    void release() {
        detached.freeAll();
        doc.reset();
    }

    void adopt(DocPtr newDoc) {
        if (!newDoc) {
            throw XmlError("No se puede crear el documento XML");
        }
        release();
        doc = std::move(newDoc);
        doc->_private = &detached;
    }
};

std::string XmlNode::name() const {
    return m_node ? str(m_node->name) : std::string();
}

std::string XmlNode::text() const {
    if (m_node == nullptr) {
        return {};
    }
    // Nearly every element of a document holds one text node: no need to walk.
    if (m_node->type == XML_ELEMENT_NODE) {
        const xmlNode* only = m_node->children;
        if (only == nullptr) {
            return {};
        }
        if (only->next == nullptr &&
            (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE)) {
            return str(only->content);
        }
    }
    return TextCollector().collect(m_node);
}

void XmlNode::setText(const std::string& utf8) {
    checkUsable(m_node, "escribir el texto");
    checkText(utf8);
    switch (m_node->type) {
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE: {
            detachChildren(m_node);
            if (!utf8.empty()) {
                xmlNodePtr text =
                    xmlNewDocTextLen(m_node->doc, xml(utf8), static_cast<int>(utf8.size()));
                if (text == nullptr) {
                    throw XmlError("No se puede crear el texto");
                }
                linkLast(m_node, text);
            }
            break;
        }
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            xmlNodeSetContentLen(m_node, xml(utf8), static_cast<int>(utf8.size()));
            break;
        default:
            throw XmlError("No se puede escribir el texto de este nodo");
    }
}

std::string XmlNode::attribute(const std::string& name) const {
    if (m_node == nullptr || m_node->type != XML_ELEMENT_NODE) {
        return {};
    }
    std::unique_ptr<xmlChar, XmlCharFree> value(xmlGetNoNsProp(m_node, xml(name)));
    return str(value.get());
}

void XmlNode::setAttribute(const std::string& name, const std::string& utf8) {
    checkUsable(m_node, "poner el atributo");
    if (m_node->type != XML_ELEMENT_NODE) {
        throw XmlError("Solo un elemento lleva atributos");
    }
    checkName(name);
    checkText(utf8);
    // An attribute set again keeps its place; a new one goes after the others.
    if (xmlSetProp(m_node, xml(name), xml(utf8)) == nullptr) {
        throw XmlError("No se puede poner el atributo '" + name + "'");
    }
}

XmlNode XmlNode::firstChild() const {
    if (m_node == nullptr || m_node->type == XML_ENTITY_REF_NODE) {
        return XmlNode();
    }
    return XmlNode(m_node->children);
}

XmlNodeList XmlNode::selectNodes(const std::string& xpath) const {
    if (m_node == nullptr) {
        return {};
    }
    return evaluate(m_node->doc, m_node, xpath);
}

namespace {

bool isChildNamed(const xmlNode* child, std::string_view name) {
    return child->type == XML_ELEMENT_NODE && child->ns == nullptr &&
           name == reinterpret_cast<const char*>(child->name);
}

}  // namespace

int XmlNode::childElementCount(std::string_view name) const {
    int count = 0;
    for (xmlNode* child = m_node ? m_node->children : nullptr; child; child = child->next) {
        count += isChildNamed(child, name) ? 1 : 0;
    }
    return count;
}

XmlNode XmlNode::childElement(std::string_view name, int index) const {
    if (index < 0) {
        return {};
    }
    for (xmlNode* child = m_node ? m_node->children : nullptr; child; child = child->next) {
        if (isChildNamed(child, name) && index-- == 0) {
            return XmlNode(child);
        }
    }
    return {};
}

XmlNode XmlNode::selectSingleNode(const std::string& xpath) const {
    return selectNodes(xpath).item(0);
}

void XmlNode::appendChild(XmlNode child) {
    checkUsable(m_node, "añadir un hijo");
    checkUsable(child.m_node, "añadir un hijo");
    if (m_node->type != XML_ELEMENT_NODE) {
        throw XmlError("Solo un elemento admite hijos");
    }
    switch (child.m_node->type) {
        case XML_ELEMENT_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
        case XML_ENTITY_REF_NODE:
            break;
        default:
            throw XmlError("Este nodo no puede ser hijo de un elemento");
    }
    if (child.m_node->doc != m_node->doc) {
        throw XmlError("El nodo pertenece a otro documento");
    }
    if (isAncestorOrSelf(child.m_node, m_node)) {
        throw XmlError("Un nodo no puede ser hijo de sí mismo ni de sus descendientes");
    }
    xmlUnlinkNode(child.m_node);
    linkLast(m_node, child.m_node);
    if (DetachedNodes* detached = detachedOf(child.m_node)) {
        detached->placed(child.m_node);
    }
}

void XmlNode::removeChild(XmlNode child) {
    checkUsable(m_node, "quitar un hijo");
    checkUsable(child.m_node, "quitar un hijo");
    if (child.m_node->parent != m_node || child.m_node->type == XML_ATTRIBUTE_NODE) {
        throw XmlError("El nodo que se quiere quitar no es hijo de este nodo");
    }
    xmlUnlinkNode(child.m_node);
    if (DetachedNodes* detached = detachedOf(child.m_node)) {
        detached->keep(child.m_node);
    }
}

XmlNode XmlNodeList::item(int i) const {
    if (i < 0 || i >= length()) {
        return XmlNode();
    }
    return m_nodes[static_cast<std::size_t>(i)];
}

XmlDocument::XmlDocument() : m_impl(std::make_unique<Impl>()) {
    initLibrary();
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::load(const fs::path& path) {
    loadXml(readFile(path));
}

void XmlDocument::loadXml(std::string_view bytes) {
    initLibrary();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        throw XmlError("El documento XML es demasiado grande");
    }
    ErrorCollector errors;
    EntityLoaderGuard noExternalEntities;
    std::unique_ptr<xmlParserCtxt, ParserCtxtFree> ctxt(
        xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!ctxt) {
        throw XmlError(errors.describe("No se puede leer el documento XML"));
    }
    // Never NOENT, DTDLOAD, DTDATTR or DTDVALID: each of them reads local files or the network.
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    ctxt->replaceEntities = 0;
    ctxt->loadsubset = 0;
    ctxt->validate = 0;
    xmlParseDocument(ctxt.get());
    if (!ctxt->wellFormed || ctxt->myDoc == nullptr) {
        throw XmlError(errors.describe("El documento XML no está bien formado"), errors.line());
    }
    DocPtr doc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    // Only a document type declaration can declare entities to refer to.
    if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
        EntityTextMeter().measureDocument(doc->children);
    }

    // What save() must reproduce: the declaration as it was written, or none at all.
    Declaration declaration = Declaration::None;
    std::string declarationText;
    bool utf8Bom = false;
    std::size_t start = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8Bom = true;
        start = 3;
    }
    const std::string_view rest = bytes.substr(start);
    if (rest.size() > 5 && rest.substr(0, 5) == "<?xml" &&
        static_cast<unsigned char>(rest[5]) <= 0x20) {
        declaration = Declaration::Kept;
        const std::size_t end = rest.find("?>");
        declarationText = std::string(rest.substr(0, end == std::string_view::npos ? 0 : end + 2));
    } else if (!utf8Bom && startsWithWideDeclaration(bytes)) {
        // A wide encoding: its declaration bytes are not ASCII, let libxml2 write it again.
        declaration = Declaration::Library;
    }

    m_impl->adopt(std::move(doc));
    m_impl->declaration = declaration;
    m_impl->declarationText = std::move(declarationText);
    m_impl->encoding =
        declaration == Declaration::None ? std::string() : str(m_impl->doc->encoding);
    m_impl->utf8Bom = utf8Bom;
}

XmlNode XmlDocument::documentElement() const {
    return XmlNode(xmlDocGetRootElement(m_impl->doc.get()));
}

XmlNodeList XmlDocument::selectNodes(const std::string& xpath) const {
    return evaluate(m_impl->doc.get(), nullptr, xpath);
}

XmlNode XmlDocument::selectSingleNode(const std::string& xpath) const {
    return selectNodes(xpath).item(0);
}

XmlNode XmlDocument::createElement(const std::string& name) {
    checkName(name);
    xmlNodePtr node = xmlNewDocNode(m_impl->doc.get(), nullptr, xml(name), nullptr);
    if (node == nullptr) {
        throw XmlError("No se puede crear el elemento '" + name + "'");
    }
    m_impl->detached.keep(node);  // until it is appended somewhere
    return XmlNode(node);
}

void XmlDocument::appendChild(XmlNode child) {
    xmlNodePtr node = child.raw();
    checkUsable(node, "añadir un hijo al documento");
    xmlDocPtr doc = m_impl->doc.get();
    if (node->doc != doc) {
        throw XmlError("El nodo pertenece a otro documento");
    }
    switch (node->type) {
        case XML_ELEMENT_NODE:
            if (xmlDocGetRootElement(doc) != nullptr && xmlDocGetRootElement(doc) != node) {
                throw XmlError("El documento ya tiene un elemento raíz");
            }
            break;
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            break;
        default:
            throw XmlError("Este nodo no puede estar fuera del elemento raíz");
    }
    xmlUnlinkNode(node);
    linkLast(reinterpret_cast<xmlNodePtr>(doc), node);
    m_impl->detached.placed(node);
}

std::string XmlDocument::nodeBytes(XmlNode node) const {
    checkUsable(node.raw(), "escribir el nodo");
    if (node.raw()->doc != m_impl->doc.get()) {
        throw XmlError("El nodo pertenece a otro documento");
    }
    std::string out;
    m_impl->writeNode(node.raw(), [&out](std::string_view bytes) {
        out += bytes;
        return true;
    });
    return out;
}

void XmlDocument::discard(XmlNode node) {
    xmlNodePtr raw = node.raw();
    checkUsable(raw, "descartar el nodo");
    if (raw->doc != m_impl->doc.get() || raw->type == XML_ATTRIBUTE_NODE ||
        raw->type == XML_DTD_NODE) {
        throw XmlError("Este nodo no se puede descartar");
    }
    xmlUnlinkNode(raw);
    m_impl->detached.placed(raw);
    xmlFreeNode(raw);
}

void XmlDocument::removeChild(XmlNode child) {
    xmlNodePtr node = child.raw();
    checkUsable(node, "quitar un hijo del documento");
    if (node->parent != reinterpret_cast<xmlNodePtr>(m_impl->doc.get()) ||
        node->type == XML_DTD_NODE) {
        throw XmlError("El nodo que se quiere quitar no es hijo del documento");
    }
    xmlUnlinkNode(node);
    m_impl->detached.keep(node);
}

std::string XmlDocument::encoding() const {
    return m_impl->encoding;
}

// The whole document into SINK: the declaration as loaded, then the serialised rest.
void XmlDocument::Impl::writeTo(const ByteSink& sink) const {
    const Impl& impl = *this;
    xmlDocPtr doc = impl.doc.get();
    if (impl.declaration == Declaration::Library) {
        // A wide declaration without encoding: the byte order mark told UTF-16.
        serialise(doc, nullptr, outputEncoding(), true, sink);
        return;
    }
    // Naming the encoding explicitly also for UTF-8: left without one, libxml2 writes every
    // character outside ASCII as a character reference.
    const std::string encoding = outputEncoding();
    const bool utf8 = xmlStrcasecmp(xml(encoding), xml("UTF-8")) == 0 ||
                      xmlStrcasecmp(xml(encoding), xml("UTF8")) == 0;
    std::string prefix;
    if (impl.declaration == Declaration::None) {
        prefix = impl.utf8Bom ? "\xEF\xBB\xBF" : "";
    } else {
        prefix = (impl.utf8Bom && utf8) ? "\xEF\xBB\xBF" : "";
        prefix += impl.declarationText;
        prefix += '\n';
    }
    if (!prefix.empty() && !sink(prefix)) {
        throw XmlError("No se puede escribir el documento XML");
    }
    serialise(doc, nullptr, encoding, false, sink);
}

void XmlDocument::Impl::writeNode(xmlNodePtr node, const ByteSink& sink) const {
    // Saving a whole document names the output encoding in it for the time being, and
    // attribute values are escaped by it (accents kept, not written as references): so here.
    xmlDocPtr d = doc.get();
    const std::string output = outputEncoding();
    std::unique_ptr<xmlChar, XmlCharFree> named(xmlStrdup(xml(output)));
    const xmlChar* before = d->encoding;
    d->encoding = named.get();
    try {
        serialise(d, node, output, false, sink);
    } catch (...) {
        d->encoding = before;
        throw;
    }
    d->encoding = before;
}

std::string XmlDocument::toBytes() const {
    std::string out;
    m_impl->writeTo([&out](std::string_view bytes) {
        out += bytes;
        return true;
    });
    return out;
}

void XmlDocument::save(const fs::path& path) const {
    ReplacingFile file(path);
    // Written as it is serialised: a large document is never held twice in memory.
    bool written = file.open();
    if (written) {
        try {
            m_impl->writeTo([&](std::string_view bytes) { return written = file.write(bytes); });
        } catch (const XmlError&) {
            if (written) {
                throw;  // the document could not be serialised: that is the error to tell
            }
        }
    }
    if (!written || !file.commit()) {
        throw XmlError("No se puede guardar el archivo '" + path.string() +
                       "': " + systemErrorText(file.errorNumber()));
    }
}

}  // namespace qv
