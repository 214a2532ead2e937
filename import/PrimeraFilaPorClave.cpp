#include "import/PrimeraFilaPorClave.h"

#include <cstdint>

#include "services/Text.h"

namespace qv {

namespace {

// What Table::locate and the filter compare: the text without the blanks and NULs that pad it.
std::string sinRellenoFinal(const std::string& texto) {
    std::size_t fin = texto.size();
    while (fin > 0 && (texto[fin - 1] == ' ' || texto[fin - 1] == '\0')) {
        --fin;
    }
    return texto.substr(0, fin);
}

// Width and kind of field NAME as the table reads it; width 0 for a field that is not text.
int anchoDeTexto(const Table& tabla, const std::string& nombre) {
    for (const FieldDef& f : tabla.fields()) {
        if (upperAZ(f.name) == upperAZ(nombre)) {
            return f.kind == FieldKind::Text ? f.width : 0;
        }
    }
    return 0;
}

}  // namespace

PrimeraFilaPorClave::PrimeraFilaPorClave(Table& tabla, std::vector<std::string> campos)
    : m_tabla(tabla), m_campos(std::move(campos)) {}

std::string PrimeraFilaPorClave::clave(const std::vector<std::string>& partes) {
    // Each part preceded by its length, so no two lists of texts share a key.
    std::string k;
    for (const std::string& p : partes) {
        const auto n = static_cast<std::uint32_t>(p.size());
        k.append(reinterpret_cast<const char*>(&n), sizeof n);
        k += p;
    }
    return k;
}

void PrimeraFilaPorClave::leer() {
    m_leida = true;
    std::vector<std::string> partes(m_campos.size());
    for (m_tabla.first(); !m_tabla.eof(); m_tabla.next()) {
        for (std::size_t i = 0; i < m_campos.size(); ++i) {
            partes[i] = m_tabla.asString(m_campos[i]);
        }
        m_primera.emplace(clave(partes), m_tabla.recNo());
    }
    m_todosDeTexto = true;
    for (const std::string& campo : m_campos) {
        const int ancho = m_tabla.hasField(campo) ? anchoDeTexto(m_tabla, campo) : 0;
        m_anchos.push_back(ancho);
        m_todosDeTexto = m_todosDeTexto && ancho > 0;
    }
}

bool PrimeraFilaPorClave::buscar(const std::vector<std::string>& valores) {
    if (!m_leida) {
        leer();
    }
    const auto it = m_primera.find(clave(valores));
    if (it == m_primera.end()) {
        m_tabla.last();  // where a scan that found nothing stops
        return false;
    }
    m_tabla.setRecNo(it->second);
    return true;
}

bool PrimeraFilaPorClave::localizar(const std::vector<std::string>& valores) {
    if (!m_leida) {
        leer();
    }
    if (!m_todosDeTexto || valores.size() != m_campos.size()) {
        // Numbers, dates and logicals compare by their own rules; the table knows them.
        std::string nombres;
        for (const std::string& campo : m_campos) {
            nombres += (nombres.empty() ? "" : ";") + campo;
        }
        return m_tabla.locate(nombres, valores);
    }
    std::vector<std::string> buscados;
    for (std::size_t i = 0; i < valores.size(); ++i) {
        if (valores[i].size() > static_cast<std::size_t>(m_anchos[i])) {
            return false;
        }
        buscados.push_back(sinRellenoFinal(valores[i]));
    }
    const auto it = m_primera.find(clave(buscados));
    if (it == m_primera.end()) {
        return false;
    }
    m_tabla.setRecNo(it->second);
    return true;
}

FilasPorProfesor::FilasPorProfesor(Table& soluc) : m_soluc(soluc) {}

void FilasPorProfesor::leer() {
    m_leida = true;
    m_ancho = m_soluc.hasField("PROF") ? anchoDeTexto(m_soluc, "PROF") : 0;
    m_porFiltro = m_ancho == 0;
    if (m_porFiltro) {
        return;
    }
    m_soluc.setFiltered(false);
    for (m_soluc.first(); !m_soluc.eof(); m_soluc.next()) {
        m_filas[m_soluc.asString("PROF")].push_back(m_soluc.recNo());
    }
}

void FilasPorProfesor::seleccionar(const std::string& abrev) {
    if (!m_leida) {
        leer();
    }
    if (m_porFiltro) {
        m_soluc.setFiltered(false);
        m_soluc.setFilter(filtroProfesor(abrev));
        m_soluc.setFiltered(true);
        return;
    }
    m_seleccion = &m_ninguna;
    if (abrev.size() > static_cast<std::size_t>(m_ancho)) {
        return;  // longer than the field: the filter lets nothing through
    }
    const auto it = m_filas.find(sinRellenoFinal(abrev));
    if (it != m_filas.end()) {
        m_seleccion = &it->second;
    }
}

std::string filtroProfesor(const std::string& abrev) {
    std::string valor;
    for (char c : abrev) {
        valor += c;
        if (c == '\'') {
            valor += '\'';
        }
    }
    return "PROF= '" + valor + "'";
}

}  // namespace qv
