#include "export/CarpetaProvisional.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <set>
#include <system_error>

#include "services/Error.h"
#include "services/FileLock.h"
#include "services/Text.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

struct Movimiento {
    fs::path desde;
    fs::path hacia;
};

// The regular files directly in FOLDER, in name order so that runs behave alike.
std::vector<fs::path> archivosDe(const fs::path& carpeta) {
    std::vector<fs::path> archivos;
    std::error_code ec;
    for (fs::directory_iterator it(carpeta, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            archivos.push_back(it->path());
        }
    }
    if (ec) {
        throw Error("No se puede leer la carpeta '" + carpeta.string() +
                    "': " + systemErrorText(ec.value()));
    }
    std::sort(archivos.begin(), archivos.end());
    return archivos;
}

std::string nombreComparable(const fs::path& archivo) {
    return lowerAZ(archivo.filename().string());
}

// Puts back what MOVIDOS did, last first. Best effort: the failure that brought us here is the
// one to report.
void deshacer(const std::vector<Movimiento>& movidos) {
    for (auto it = movidos.rbegin(); it != movidos.rend(); ++it) {
        std::rename(it->hacia.c_str(), it->desde.c_str());
    }
}

// Renames each pair in turn (atomic per file, all inside one file system). On a failure the
// ones done are put back and the failing pair is answered with its errno.
const Movimiento* mover(const std::vector<Movimiento>& movimientos, int& error) {
    std::vector<Movimiento> hechos;
    for (const Movimiento& m : movimientos) {
        if (std::rename(m.desde.c_str(), m.hacia.c_str()) != 0) {
            error = errno;
            deshacer(hechos);
            return &m;
        }
        hechos.push_back(m);
    }
    return nullptr;
}

}  // namespace

CarpetaProvisional::CarpetaProvisional(fs::path carpetaTrabajo)
    : m_carpetaTrabajo(std::move(carpetaTrabajo)) {
    std::string plantilla = (m_carpetaTrabajo / ".provisional-XXXXXX").string();
    if (::mkdtemp(plantilla.data()) == nullptr) {
        throw Error("No se puede crear una carpeta provisional en '" + m_carpetaTrabajo.string() +
                    "': " + systemErrorText(errno));
    }
    m_ruta = plantilla;
    try {
        m_privada = std::make_unique<PrivateFolder>(m_ruta);
    } catch (...) {
        std::error_code ignorado;
        fs::remove_all(m_ruta, ignorado);
        throw;
    }
}

CarpetaProvisional::~CarpetaProvisional() {
    std::error_code ignorado;
    fs::remove_all(m_ruta, ignorado);
}

void CarpetaProvisional::confirmar(const std::vector<std::string>& retirados) {
    m_privada->writePending();
    const std::vector<fs::path> nuevos = archivosDe(m_ruta);
    std::map<std::string, fs::path> destinoDe;  // comparable name -> its place in the work folder
    for (const fs::path& nuevo : nuevos) {
        destinoDe[nombreComparable(nuevo)] = m_carpetaTrabajo / nuevo.filename();
    }
    std::set<std::string> buscados;
    for (const auto& [nombre, destino] : destinoDe) {
        buscados.insert(nombre);
    }
    for (const std::string& retirado : retirados) {
        buscados.insert(lowerAZ(retirado));
    }

    // The error an earlier file of the work folder causes, worded as creating its table would
    // word it; a file of no table we write (JORNADAS.DBF) is one we could not delete.
    auto errorDe = [&](const fs::path& archivo, const std::string& motivo, bool enUso) {
        const std::string tabla = lowerAZ(archivo.stem().string() + ".DBF");
        const auto nuevaTabla = destinoDe.find(tabla);
        if (nuevaTabla == destinoDe.end()) {
            return TableError("No se puede borrar el archivo " + archivo.string() + ": " + motivo,
                              archivo.string());
        }
        const fs::path& destino = nuevaTabla->second;
        const bool esIndice = enUso && nombreComparable(archivo) != tabla;
        return TableError("No se puede crear la tabla " + destino.string() + ": " +
                              (esIndice ? "su índice " + archivo.string() + " " + motivo : motivo),
                          destino.string());
    };

    std::vector<Movimiento> aparte;
    const fs::path anteriores = m_ruta / "anteriores";
    for (const fs::path& archivo : archivosDe(m_carpetaTrabajo)) {
        if (buscados.count(nombreComparable(archivo)) == 0) {
            continue;
        }
        if (isFileHeld(archivo)) {
            throw errorDe(archivo, "está en uso por otro programa", true);
        }
        aparte.push_back({archivo, anteriores / archivo.filename()});
    }
    std::vector<Movimiento> colocar;
    for (const fs::path& nuevo : nuevos) {
        colocar.push_back({nuevo, destinoDe.at(nombreComparable(nuevo))});
    }

    std::error_code ec;
    fs::create_directory(anteriores, ec);
    if (ec) {
        throw Error("No se puede crear la carpeta '" + anteriores.string() +
                    "': " + systemErrorText(ec.value()));
    }
    int error = 0;
    if (const Movimiento* fallido = mover(aparte, error)) {
        throw errorDe(fallido->desde, systemErrorText(error), false);
    }
    if (const Movimiento* fallido = mover(colocar, error)) {
        deshacer(aparte);
        throw errorDe(fallido->hacia, systemErrorText(error), false);
    }
    // What was set aside goes with the folder.
}

}  // namespace qv
