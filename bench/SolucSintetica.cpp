#include "bench/SolucSintetica.h"

#include <fstream>
#include <string>
#include <vector>

#include "services/Error.h"
#include "services/Table.h"

namespace qv::bench {

namespace {

struct Asignacion {
    std::string asig;
    std::string grupo;
    std::string tarea;
};

struct Hueco {
    int dia;
    int hora;
};

struct Campo {
    const char* nombre;
    char tipo;
    int ancho;
};

constexpr Campo kCampos[] = {{"PROF", 'C', 4}, {"DIA", 'N', 2},      {"HORA", 'N', 2},
                             {"ASIG", 'C', 4}, {"CODGRUPO", 'C', 4}, {"TAREA", 'C', 12},
                             {"AULA", 'C', 4}};

std::vector<std::string> columna(const std::filesystem::path& carpeta, const char* tabla,
                                 const char* campo) {
    std::vector<std::string> valores;
    Table t(carpeta, tabla);
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        valores.push_back(t.asString(campo));
    }
    return valores;
}

std::vector<Asignacion> asignaciones(const std::filesystem::path& carpeta) {
    std::vector<Asignacion> lista;
    Table t(carpeta, "ASIGT.DBF");
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        lista.push_back({t.asString("CASIG"), t.asString("CGRUP"), t.asString("CTAREA")});
    }
    return lista;
}

std::vector<Hueco> huecos(const std::filesystem::path& carpeta) {
    std::vector<Hueco> lista;
    Table t(carpeta, "DIASHORAST.DBF");
    t.open(OpenMode::Shared);
    for (t.first(); !t.eof(); t.next()) {
        lista.push_back({t.asInteger("DIA"), t.asInteger("HORA")});
    }
    return lista;
}

void ponerEntero(std::string& b, std::size_t at, unsigned long valor, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((valor >> (8 * i)) & 0xFF);
    }
}

std::string texto(const std::string& valor, int ancho) {
    std::string t = valor.substr(0, static_cast<std::size_t>(ancho));
    t.resize(static_cast<std::size_t>(ancho), ' ');
    return t;
}

std::string numero(int valor, int ancho) {
    std::string t = std::to_string(valor);
    return std::string(static_cast<std::size_t>(ancho) - t.size(), ' ') + t;
}

std::string cabecera(int filas) {
    const int n = static_cast<int>(std::size(kCampos));
    int largo = 1;
    for (const Campo& c : kCampos) {
        largo += c.ancho;
    }
    const int tamano = 32 + 32 * n + 1;
    std::string b(static_cast<std::size_t>(tamano), '\0');
    b[0] = 0x03;
    b[1] = 126;  // 2026
    b[2] = 12;
    b[3] = 1;
    ponerEntero(b, 4, static_cast<unsigned long>(filas), 4);
    ponerEntero(b, 8, static_cast<unsigned long>(tamano), 2);
    ponerEntero(b, 10, static_cast<unsigned long>(largo), 2);
    for (int i = 0; i < n; ++i) {
        const std::size_t at = 32 + 32 * static_cast<std::size_t>(i);
        const std::string nombre = kCampos[i].nombre;
        nombre.copy(b.data() + at, nombre.size());
        b[at + 11] = kCampos[i].tipo;
        b[at + 16] = static_cast<char>(kCampos[i].ancho);
    }
    b[static_cast<std::size_t>(tamano) - 1] = 0x0D;
    return b;
}

}  // namespace

void escribirSolucSintetica(const std::filesystem::path& carpeta, int filas) {
    const std::vector<std::string> profesores = columna(carpeta, "PROFT.DBF", "ABREV");
    const std::vector<std::string> aulas = columna(carpeta, "AULAT.DBF", "ABREV");
    const std::vector<Asignacion> lista = asignaciones(carpeta);
    const std::vector<Hueco> slots = huecos(carpeta);
    if (profesores.empty() || aulas.empty() || lista.empty() || slots.empty()) {
        throw Error("La exportación sintética no dejó profesores, aulas, asignaciones y tramos");
    }
    const std::size_t porProfesor =
        (static_cast<std::size_t>(filas) + profesores.size() - 1) / profesores.size();

    std::string b = cabecera(filas);
    b.reserve(b.size() + static_cast<std::size_t>(filas) * 33 + 1);
    for (int i = 0; i < filas; ++i) {
        const std::size_t fila = static_cast<std::size_t>(i);
        const std::size_t profesor = fila / porProfesor;
        const std::size_t k = fila % porProfesor;
        const Asignacion& a = lista[fila % lista.size()];
        const Hueco& h = slots[(profesor * 7 + k * 11) % slots.size()];
        b += ' ';
        b += texto(profesores[profesor], 4);
        b += numero(i % 25 == 24 ? 0 : h.dia, 2);
        b += numero(h.hora, 2);
        b += texto(a.asig, 4);
        b += texto(a.grupo, 4);
        b += texto(i % 3 == 0 ? std::string() : a.tarea, 12);
        b += texto(i % 7 == 3 ? std::string() : aulas[fila % aulas.size()], 4);
    }
    b += '\x1A';
    std::ofstream out(carpeta / "SOLUC.DBF", std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
    if (!out) {
        throw Error("No se puede escribir SOLUC.DBF en " + carpeta.string());
    }
}

}  // namespace qv::bench
