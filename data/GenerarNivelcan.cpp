// Writes the level table NIVELCAN.DBF from its rows in text form (nivelcan.tsv), with our table
// engine and the catalogue's schema. Usage: GenerarNivelcan ROWS.tsv OUTPUT_FOLDER
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/WorkTables.h"
#include "services/Error.h"
#include "services/Table.h"
#include "services/Text.h"

namespace {

namespace fs = std::filesystem;

struct Fila {
    int clave = 0;
    std::string nivel;    // ANSI
    std::string estudio;  // ANSI
};

// A problem of one line of the rows file.
struct ErrorDeLinea : std::runtime_error {
    using std::runtime_error::runtime_error;
};

int anchura(const std::string& campo) {
    for (const qv::FieldDef& f : qv::tablas::NIVELCAN.fields) {
        if (f.name == campo) {
            return f.width;
        }
    }
    throw std::runtime_error("the schema lacks the field " + campo);
}

int claveEntera(const std::string& texto) {
    int valor = 0;
    const char* fin = texto.data() + texto.size();
    const auto [resto, ec] = std::from_chars(texto.data(), fin, valor);
    if (ec != std::errc() || resto != fin || texto.empty()) {
        throw ErrorDeLinea("the key '" + texto + "' is not a whole number");
    }
    return valor;
}

// UTF-8 to ANSI, refusing what the code page cannot hold and what the field would cut.
std::string textoDeCampo(const std::string& utf8, const std::string& campo) {
    const std::string ansi = qv::utf8ToAnsi(utf8);
    if (qv::ansiToUtf8(ansi) != utf8) {
        throw ErrorDeLinea(campo + " '" + utf8 + "' has characters Windows-1252 lacks");
    }
    if (static_cast<int>(ansi.size()) > anchura(campo)) {
        throw ErrorDeLinea(campo + " '" + utf8 + "' is longer than " +
                           std::to_string(anchura(campo)) + " characters");
    }
    return ansi;
}

std::vector<std::string> columnas(const std::string& linea) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    for (;;) {
        const std::size_t tab = linea.find('\t', inicio);
        partes.push_back(linea.substr(inicio, tab - inicio));
        if (tab == std::string::npos) {
            return partes;
        }
        inicio = tab + 1;
    }
}

std::vector<Fila> leerFilas(const fs::path& origen) {
    std::ifstream in(origen, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + origen.string());
    }
    std::vector<Fila> filas;
    std::string linea;
    for (int numero = 1; std::getline(in, linea); ++numero) {
        if (!linea.empty() && linea.back() == '\r') {
            linea.pop_back();
        }
        if (linea.empty() || linea.front() == '#') {
            continue;
        }
        try {
            const std::vector<std::string> partes = columnas(linea);
            if (partes.size() != 3) {
                throw ErrorDeLinea("expected 3 tab-separated columns, found " +
                                   std::to_string(partes.size()));
            }
            filas.push_back({claveEntera(partes[0]), textoDeCampo(partes[1], "NIVEL_ABREV"),
                             textoDeCampo(partes[2], "ESTUDIO")});
        } catch (const ErrorDeLinea& e) {
            throw std::runtime_error(origen.string() + ":" + std::to_string(numero) + ": " +
                                     e.what());
        }
    }
    return filas;
}

// Written in a folder of its own and renamed into place, so a failed run leaves no half table.
void escribirTabla(const std::vector<Fila>& filas, const fs::path& destino) {
    fs::create_directories(destino);
    const fs::path temporal = destino / ".nivelcan-tmp";
    fs::remove_all(temporal);
    fs::create_directories(temporal);
    qv::Table::create(temporal, qv::tablas::NIVELCAN);
    {
        qv::Table tabla(temporal, qv::tablas::NIVELCAN.fileName());
        tabla.open(qv::OpenMode::Exclusive);
        for (const Fila& f : filas) {
            tabla.append();
            tabla.setInteger("X_OFERTAMATRIG", f.clave);
            tabla.setString("NIVEL_ABREV", f.nivel);
            tabla.setString("ESTUDIO", f.estudio);
            tabla.post();
        }
        tabla.close();
    }
    fs::rename(temporal / qv::tablas::NIVELCAN.fileName(),
               destino / qv::tablas::NIVELCAN.fileName());
    fs::remove_all(temporal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: GenerarNivelcan ROWS.tsv OUTPUT_FOLDER\n";
        return 2;
    }
    try {
        escribirTabla(leerFilas(argv[1]), argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "GenerarNivelcan: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
