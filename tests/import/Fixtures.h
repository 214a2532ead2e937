#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "services/TableSchema.h"
#include "services/XmlDocument.h"

namespace qv::prueba {

// A fresh folder under the system's temporary folder, removed with everything in it.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
    const std::filesystem::path& ruta() const { return m_ruta; }

private:
    std::filesystem::path m_ruta;
};

// Points WINEPREFIX at a folder while it lives, so nothing touches the real home.
class PrefijoWine {
public:
    explicit PrefijoWine(const std::filesystem::path& carpeta);
    ~PrefijoWine();

private:
    std::string m_anterior;
    bool m_habia = false;
};

using Fila = std::map<std::string, std::string>;  // field -> ANSI text

// Creates SCHEMA in FOLDER through the table engine and appends ROWS (text values only).
void crearTabla(const std::filesystem::path& carpeta, const TableSchema& schema,
                const std::vector<Fila>& filas);

// One placed lesson of the timetabling program's solution.
struct Leccion {
    std::string prof;
    int dia;
    int hora;
    std::string asig;
    std::string codgrupo;
    std::string tarea;
    std::string aula;
};

// Writes SOLUC.DBF byte by byte as a dBase III table of another program would be: PROF C 4,
// DIA N 2, HORA N 2, ASIG C 4, CODGRUPO C 4, TAREA C 12, AULA C 4, no language driver.
void escribirSoluc(const std::filesystem::path& archivo, const std::vector<Leccion>& lecciones);

// The nine tables an import opens, all empty except what the caller adds afterwards.
void crearTablasVacias(const std::filesystem::path& carpeta);

std::string leerArchivo(const std::filesystem::path& archivo);
void escribirArchivo(const std::filesystem::path& archivo, const std::string& bytes);

// An activity or teacher record as (nombre_dato, text) pairs, text in UTF-8.
using Datos = std::vector<std::pair<std::string, std::string>>;
Datos datosDe(XmlNode registro);

// The children of NODE named grupo_datos, in order.
std::vector<XmlNode> gruposDe(XmlNode nodo);

// Exit status of a shell command.
int ejecutar(const std::string& orden);

}  // namespace qv::prueba
