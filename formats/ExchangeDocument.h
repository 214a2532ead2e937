#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "services/XmlDocument.h"

// Reading and writing rules of the exchange document: record groups (grupo_datos with seq),
// records, and data items (dato) addressed by position from 0.
namespace qv {

// One record, or the ANNO_ACADEMICO group itself, with its data items in document order.
class Registro {
public:
    explicit Registro(XmlNode node);

    XmlNode node() const { return m_node; }
    int numDatos() const { return m_numDatos; }
    // The reading loops skip records with fewer than two data items.
    bool leible() const { return numDatos() >= 2; }

    // Item I trimmed and converted to ANSI. A missing item reads as empty text.
    std::string valor(int i) const;
    // Item I as read, untrimmed, in ANSI. A missing item reads as empty text.
    std::string valorSinRecortar(int i) const;

private:
    XmlNode dato(int i) const { return m_node.childElement("dato", i); }

    XmlNode m_node;
    int m_numDatos = 0;
};

// /SERVICIO/BLOQUE_DATOS/grupo_datos[@seq="SEQ"]/grupo_datos, in document order; every record
// (callers skip the ones that are not leible()).
std::vector<Registro> registrosDe(const XmlDocument& doc, std::string_view seq);

// The data block, or a null node.
XmlNode bloqueDatos(const XmlDocument& doc);

// The first four characters of the text of the data block's first child (all of it when
// shorter), in ANSI.
std::string annoAcademico(const XmlDocument& doc);

// A new grupo_datos element with its seq attribute set (not yet appended).
XmlNode nuevoGrupo(XmlDocument& doc, const std::string& seq);

// Sets registros (after seq) to the count in decimal.
void ponerRegistros(XmlNode grupo, long long count);

// A data item in four moves: create dato, set nombre_dato, set the text (ANSI converted),
// append it to PARENT. An empty value gives an item without text.
XmlNode agregarDato(XmlDocument& doc, XmlNode parent, const std::string& nombre,
                    std::string_view valorAnsi);

// Removes the old root (and its data block) and builds the import's header: SERVICIO with
// modulo, tipo, autor and fecha, BLOQUE_DATOS, and the ANNO_ACADEMICO group holding C_ANNO.
// Everything outside the old root stays. Returns the new BLOQUE_DATOS.
XmlNode escribirCabecera(XmlDocument& doc, const std::string& fechaUtf8,
                         const std::string& annoAnsi);

}  // namespace qv
