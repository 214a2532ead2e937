#include "Fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

#include "formats/WorkTables.h"
#include "services/Table.h"

namespace qv::prueba {

CarpetaTemporal::CarpetaTemporal() {
    std::string plantilla = (std::filesystem::temp_directory_path() / "qv-import-XXXXXX").string();
    if (!mkdtemp(plantilla.data())) {
        throw std::runtime_error("mkdtemp");
    }
    m_ruta = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    std::filesystem::remove_all(m_ruta, ec);
}

PrefijoWine::PrefijoWine(const std::filesystem::path& carpeta) {
    if (const char* v = std::getenv("WINEPREFIX")) {
        m_habia = true;
        m_anterior = v;
    }
    setenv("WINEPREFIX", carpeta.c_str(), 1);
}

PrefijoWine::~PrefijoWine() {
    if (m_habia) {
        setenv("WINEPREFIX", m_anterior.c_str(), 1);
    } else {
        unsetenv("WINEPREFIX");
    }
}

void crearTabla(const std::filesystem::path& carpeta, const TableSchema& schema,
                const std::vector<Fila>& filas) {
    Table::create(carpeta, schema);
    Table tabla(carpeta, schema.fileName());
    tabla.open(OpenMode::Exclusive);
    for (const Fila& fila : filas) {
        tabla.append();
        for (const auto& [campo, valor] : fila) {
            tabla.setString(campo, valor);
        }
        tabla.post();
    }
    tabla.close();
}

namespace {

void ponerU16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void ponerU32(std::string& b, std::size_t at, unsigned long v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

std::string texto(const std::string& v, std::size_t ancho) {
    std::string s = v.substr(0, ancho);
    s.resize(ancho, ' ');
    return s;
}

std::string numero(int v, std::size_t ancho) {
    std::string s = std::to_string(v);
    return std::string(ancho - s.size(), ' ') + s;
}

}  // namespace

void escribirSoluc(const std::filesystem::path& archivo, const std::vector<Leccion>& lecciones) {
    struct Campo {
        const char* nombre;
        char tipo;
        int ancho;
    };
    const Campo campos[] = {{"PROF", 'C', 4}, {"DIA", 'N', 2},      {"HORA", 'N', 2},
                            {"ASIG", 'C', 4}, {"CODGRUPO", 'C', 4}, {"TAREA", 'C', 12},
                            {"AULA", 'C', 4}};
    const int n = static_cast<int>(std::size(campos));
    int largo = 1;
    for (const Campo& c : campos) {
        largo += c.ancho;
    }
    const int cabecera = 32 + 32 * n + 1;
    std::string b(static_cast<std::size_t>(cabecera), '\0');
    b[0] = 0x03;
    b[1] = 126;  // 2026
    b[2] = 12;
    b[3] = 1;
    ponerU32(b, 4, lecciones.size());
    ponerU16(b, 8, static_cast<unsigned>(cabecera));
    ponerU16(b, 10, static_cast<unsigned>(largo));
    for (int i = 0; i < n; ++i) {
        const std::size_t at = 32 + 32 * static_cast<std::size_t>(i);
        const std::string nombre = campos[i].nombre;
        std::copy(nombre.begin(), nombre.end(), b.begin() + static_cast<long>(at));
        b[at + 11] = campos[i].tipo;
        b[at + 16] = static_cast<char>(campos[i].ancho);
    }
    b[static_cast<std::size_t>(cabecera) - 1] = 0x0D;
    for (const Leccion& l : lecciones) {
        b += ' ';
        b += texto(l.prof, 4);
        b += numero(l.dia, 2);
        b += numero(l.hora, 2);
        b += texto(l.asig, 4);
        b += texto(l.codgrupo, 4);
        b += texto(l.tarea, 12);
        b += texto(l.aula, 4);
    }
    b += '\x1A';
    escribirArchivo(archivo, b);
}

void crearTablasVacias(const std::filesystem::path& carpeta) {
    for (const TableSchema* schema :
         {&tablas::GRUPOST, &tablas::CURSOST, &tablas::PROFT, &tablas::AULAT, &tablas::ASIGNOMT,
          &tablas::ASIGNOMT2, &tablas::DIASHORAST, &tablas::ASIGT}) {
        crearTabla(carpeta, *schema, {});
    }
    escribirSoluc(carpeta / "SOLUC.DBF", {});
}

std::string leerArchivo(const std::filesystem::path& archivo) {
    std::ifstream in(archivo, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void escribirArchivo(const std::filesystem::path& archivo, const std::string& bytes) {
    std::ofstream out(archivo, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Datos datosDe(XmlNode registro) {
    Datos datos;
    for (const XmlNode& d : registro.selectNodes("dato")) {
        datos.emplace_back(d.attribute("nombre_dato"), d.text());
    }
    return datos;
}

std::vector<XmlNode> gruposDe(XmlNode nodo) {
    std::vector<XmlNode> grupos;
    for (const XmlNode& g : nodo.selectNodes("grupo_datos")) {
        grupos.push_back(g);
    }
    return grupos;
}

int ejecutar(const std::string& orden) {
    const int estado = std::system(orden.c_str());
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

}  // namespace qv::prueba
