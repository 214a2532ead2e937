#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "services/Table.h"

namespace qv {

// Serves "the first row, in the table's order, whose fields equal these values" from a map read
// once instead of a scan from the first row per question. The table must not change while the
// object is used. The map is read at the first question, through first()/next(), so a table
// that is never asked is never read; a found row is made current, as the scan would leave it.
class PrimeraFilaPorClave {
public:
    // CAMPOS are the fields compared, in order. TABLA must outlive the object.
    PrimeraFilaPorClave(Table& tabla, std::vector<std::string> campos);

    // As a scan comparing asString() of each field with its value byte for byte: true and the
    // first such row current, or false.
    bool buscar(const std::vector<std::string>& valores);

    // As Table::locate on the same fields (pad blanks aside, a value longer than its field never
    // matches): true and the first such row current, or false and the position kept.
    bool localizar(const std::vector<std::string>& valores);

private:
    void leer();
    static std::string clave(const std::vector<std::string>& partes);

    Table& m_tabla;
    std::vector<std::string> m_campos;
    bool m_leida = false;
    bool m_todosDeTexto = false;
    std::vector<int> m_anchos;
    std::unordered_map<std::string, int> m_primera;  // key -> position (recNo) of its first row
};

// The rows of SOLUC by teacher, read once: the same rows, in the same order, as the filter
// PROF= 'ABREV' lets through. A SOLUC whose PROF is not a text field, or that has none, is
// filtered per teacher as before, so the answer and the errors stay the same.
class FilasPorProfesor {
public:
    explicit FilasPorProfesor(Table& soluc);

    // Makes the rows of teacher ABREV the ones that recorrer() visits.
    void seleccionar(const std::string& abrev);
    // Calls VISITA with each selected row current, in order.
    template <typename Visita>
    void recorrer(Visita visita) {
        if (m_porFiltro) {
            for (m_soluc.first(); !m_soluc.eof(); m_soluc.next()) {
                visita();
            }
            return;
        }
        for (int fila : *m_seleccion) {
            m_soluc.setRecNo(fila);
            visita();
        }
    }

private:
    void leer();

    Table& m_soluc;
    bool m_leida = false;
    bool m_porFiltro = false;
    int m_ancho = 0;
    std::unordered_map<std::string, std::vector<int>> m_filas;
    std::vector<int> m_ninguna;
    const std::vector<int>* m_seleccion = &m_ninguna;
};

// The SOLUC filter on one teacher: PROF= 'ABREV', a quote inside ABREV doubled.
std::string filtroProfesor(const std::string& abrev);

}  // namespace qv
