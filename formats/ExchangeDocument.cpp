#include "formats/ExchangeDocument.h"

#include "services/Text.h"

namespace qv {

namespace {

// NAME as an XPath 1.0 string literal. XPath has no escapes: a name holding both kinds of
// quote is spelled with concat().
std::string xpathLiteral(std::string_view name) {
    if (name.find('"') == std::string_view::npos) {
        return "\"" + std::string(name) + "\"";
    }
    if (name.find('\'') == std::string_view::npos) {
        return "'" + std::string(name) + "'";
    }
    std::string out = "concat(";
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t quote = name.find('"', start);
        if (quote == start) {
            out += "'\"',";
            ++start;
            continue;
        }
        if (quote == std::string_view::npos) {
            quote = name.size();
        }
        out += "\"" + std::string(name.substr(start, quote - start)) + "\",";
        start = quote;
    }
    out.back() = ')';
    return out;
}

}  // namespace

// A record holds a handful of items: finding one by walking them costs less than keeping a list.
Registro::Registro(XmlNode node) : m_node(node), m_numDatos(node.childElementCount("dato")) {}

std::string Registro::valor(int i) const {
    return utf8ToAnsi(trimmedView(dato(i).text()));
}

std::string Registro::valorSinRecortar(int i) const {
    return utf8ToAnsi(dato(i).text());
}

std::vector<Registro> registrosDe(const XmlDocument& doc, std::string_view seq) {
    const XmlNodeList nodes = doc.selectNodes(
        "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=" + xpathLiteral(seq) + "]/grupo_datos");
    std::vector<Registro> registros;
    registros.reserve(static_cast<std::size_t>(nodes.length()));
    for (const XmlNode& node : nodes) {
        registros.emplace_back(node);
    }
    return registros;
}

XmlNode bloqueDatos(const XmlDocument& doc) {
    return doc.selectSingleNode("/SERVICIO/BLOQUE_DATOS");
}

std::string annoAcademico(const XmlDocument& doc) {
    // Counted in characters of the table code page, not in UTF-8 bytes.
    const std::string text = utf8ToAnsi(bloqueDatos(doc).firstChild().text());
    return text.substr(0, 4);
}

XmlNode nuevoGrupo(XmlDocument& doc, const std::string& seq) {
    XmlNode grupo = doc.createElement("grupo_datos");
    grupo.setAttribute("seq", seq);
    return grupo;
}

void ponerRegistros(XmlNode grupo, long long count) {
    grupo.setAttribute("registros", std::to_string(count));
}

XmlNode agregarDato(XmlDocument& doc, XmlNode parent, const std::string& nombre,
                    std::string_view valorAnsi) {
    XmlNode dato = doc.createElement("dato");
    dato.setAttribute("nombre_dato", nombre);
    if (!valorAnsi.empty()) {
        dato.setText(ansiToUtf8(valorAnsi));
    }
    parent.appendChild(dato);
    return dato;
}

XmlNode escribirCabecera(XmlDocument& doc, const std::string& fechaUtf8,
                         const std::string& annoAnsi) {
    if (XmlNode raiz = doc.documentElement()) {
        // /SERVICIO/BLOQUE_DATOS is always a child of the root when there is one.
        if (const XmlNode viejoBloque = bloqueDatos(doc)) {
            raiz.removeChild(viejoBloque);
        }
        doc.removeChild(raiz);
    }

    XmlNode servicio = doc.createElement("SERVICIO");
    servicio.setAttribute("modulo", "HORARIOS");
    servicio.setAttribute("tipo", "I");
    servicio.setAttribute("autor", "HORARIOS");
    servicio.setAttribute("fecha", fechaUtf8);
    doc.appendChild(servicio);

    XmlNode bloque = doc.createElement("BLOQUE_DATOS");
    servicio.appendChild(bloque);

    XmlNode anno = nuevoGrupo(doc, "ANNO_ACADEMICO");
    bloque.appendChild(anno);
    agregarDato(doc, anno, "C_ANNO", annoAnsi);
    return bloque;
}

}  // namespace qv
