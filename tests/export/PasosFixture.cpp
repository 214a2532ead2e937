#include "PasosFixture.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "formats/WorkTables.h"
#include "services/Table.h"
#include "services/Text.h"
#include "services/XmlDocument.h"

namespace qv::prueba {

namespace fs = std::filesystem;

CarpetaTemporal::CarpetaTemporal() {
    std::string plantilla = (fs::temp_directory_path() / "qv-pasos-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

namespace {

std::string escapar(const std::string& texto) {
    std::string r;
    for (char c : texto) {
        switch (c) {
            case '&':
                r += "&amp;";
                break;
            case '<':
                r += "&lt;";
                break;
            case '>':
                r += "&gt;";
                break;
            default:
                r += c;
        }
    }
    return r;
}

std::vector<std::string> partir(const std::string& linea, char separador) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    for (;;) {
        const std::size_t fin = linea.find(separador, inicio);
        partes.push_back(linea.substr(inicio, fin - inicio));
        if (fin == std::string::npos) {
            return partes;
        }
        inicio = fin + 1;
    }
}

std::string comillas(const std::string& texto) {
    return "'" + texto + "'";
}

}  // namespace

std::string documentoXml(const std::vector<GrupoDatos>& grupos) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO><BLOQUE_DATOS>\n";
    for (const GrupoDatos& g : grupos) {
        xml += "<grupo_datos seq=\"" + g.seq + "\">\n";
        for (const Fila& registro : g.registros) {
            xml += "<grupo_datos>";
            for (std::size_t i = 0; i < registro.size(); ++i) {
                xml += "<dato nombre_dato=\"D" + std::to_string(i) + "\">" + escapar(registro[i]) +
                       "</dato>";
            }
            xml += "</grupo_datos>\n";
        }
        xml += "</grupo_datos>\n";
    }
    return xml + "</BLOQUE_DATOS></SERVICIO>\n";
}

std::vector<Fila> leerTabla(const fs::path& archivo, const std::vector<std::string>& campos) {
    Table t(archivo.parent_path(), archivo.filename().string());
    t.open(OpenMode::Shared);
    std::vector<Fila> filas;
    for (t.first(); !t.eof(); t.next()) {
        Fila f;
        for (const std::string& c : campos) {
            f.push_back(ansiToUtf8(t.asString(c)));
        }
        filas.push_back(std::move(f));
    }
    t.close();
    return filas;
}

std::vector<Fila> leerIndependiente(const fs::path& archivo, const std::vector<std::string>& campos,
                                    bool* ausente) {
    *ausente = std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") != 0;
    if (*ausente) {
        return {};
    }
    std::string orden = "/usr/bin/python3 " + comillas(TM_SOURCE_DIR "/tests/export/leer_dbf.py") +
                        " " + comillas(archivo.string());
    for (const std::string& c : campos) {
        orden += " " + c;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> tubo(popen(orden.c_str(), "r"), pclose);
    if (!tubo) {
        throw std::runtime_error("cannot run " + orden);
    }
    std::string salida;
    std::array<char, 4096> trozo{};
    std::size_t leidos = 0;
    while ((leidos = std::fread(trozo.data(), 1, trozo.size(), tubo.get())) > 0) {
        salida.append(trozo.data(), leidos);
    }
    if (pclose(tubo.release()) != 0) {
        throw std::runtime_error("dbfread failed on " + archivo.string());
    }
    std::vector<Fila> filas;
    std::istringstream lineas(salida);
    std::string linea;
    while (std::getline(lineas, linea)) {
        filas.push_back(partir(linea, '\t'));
    }
    return filas;
}

std::vector<std::string> columna(const std::vector<Fila>& filas, std::size_t indice) {
    std::vector<std::string> valores;
    for (const Fila& f : filas) {
        valores.push_back(f.at(indice));
    }
    return valores;
}

void crearNivelcan(const fs::path& carpeta, const std::vector<FilaNivel>& filas) {
    Table::create(carpeta, tablas::NIVELCAN);
    Table t(carpeta, tablas::NIVELCAN.fileName());
    t.open(OpenMode::Exclusive);
    for (const FilaNivel& f : filas) {
        t.append();
        t.setInteger("X_OFERTAMATRIG", f.clave);
        t.setString("NIVEL_ABREV", utf8ToAnsi(f.nivel));
        t.setString("ESTUDIO", utf8ToAnsi(f.estudio));
        t.post();
    }
    t.close();
}

void PasoTest::cargar(const std::vector<GrupoDatos>& grupos) {
    m_session.DocumentoXML = std::make_unique<XmlDocument>();
    m_session.DocumentoXML->loadXml(documentoXml(grupos));
}

fs::path PasoTest::tabla(const std::string& nombre) const {
    return m_trabajo.path() / (nombre + ".DBF");
}

std::vector<Fila> PasoTest::leer(const std::string& nombre,
                                 const std::vector<std::string>& campos) const {
    return leerTabla(tabla(nombre), campos);
}

}  // namespace qv::prueba
