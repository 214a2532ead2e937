#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "services/Session.h"

// Small exchange documents, temporary folders and table read-back for the export steps' tests.
namespace qv::prueba {

// A folder of its own under the system's temporary folder, removed with everything in it.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The UTF-8 values of one record's data items, or of one table row's fields.
using Fila = std::vector<std::string>;

struct GrupoDatos {
    std::string seq;
    std::vector<Fila> registros;
};

// An exchange document (UTF-8) holding these record groups in this order.
std::string documentoXml(const std::vector<GrupoDatos>& grupos);

// Every row of FOLDER/FILE, the named fields read with our engine as text, in UTF-8.
std::vector<Fila> leerTabla(const std::filesystem::path& archivo,
                            const std::vector<std::string>& campos);

// The same rows as the independent reader sees them (tests/export/leer_dbf.py: python3's dbfread,
// or for dBase 7 its own reading of the published layout). Sets *ausente when dbfread is not
// installed.
std::vector<Fila> leerIndependiente(const std::filesystem::path& archivo,
                                    const std::vector<std::string>& campos, bool* ausente);

// One column of rows.
std::vector<std::string> columna(const std::vector<Fila>& filas, std::size_t indice);

// A level table NIVELCAN.DBF in FOLDER with these rows (key, abbreviation, studies; UTF-8).
struct FilaNivel {
    int clave;
    std::string nivel;
    std::string estudio;
};
void crearNivelcan(const std::filesystem::path& carpeta, const std::vector<FilaNivel>& filas);

// A session over a temporary work folder and a temporary program folder.
class PasoTest : public ::testing::Test {
protected:
    void cargar(const std::vector<GrupoDatos>& grupos);
    std::filesystem::path tabla(const std::string& nombre) const;
    std::vector<Fila> leer(const std::string& nombre, const std::vector<std::string>& campos) const;

    CarpetaTemporal m_trabajo;
    CarpetaTemporal m_programa;
    Session m_session{m_trabajo.path(), m_programa.path()};
};

}  // namespace qv::prueba
