#include "HostileSupport.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace qv::hostil {

namespace fs = std::filesystem;

Instantanea instantanea(const fs::path& carpeta) {
    Instantanea archivos;
    if (!fs::is_directory(carpeta)) {
        return archivos;
    }
    for (const auto& entrada : fs::recursive_directory_iterator(carpeta)) {
        if (entrada.is_regular_file()) {
            std::ifstream in(entrada.path(), std::ios::binary);
            archivos[fs::relative(entrada.path(), carpeta).string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return archivos;
}

VigilanciaDeAperturas::VigilanciaDeAperturas(const fs::path& carpeta)
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_fd < 0 || ::inotify_add_watch(m_fd, carpeta.c_str(), IN_OPEN | IN_ACCESS) < 0) {
        throw std::runtime_error("inotify on " + carpeta.string() + " failed");
    }
}

VigilanciaDeAperturas::~VigilanciaDeAperturas() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::vector<std::string> VigilanciaDeAperturas::abiertos() {
    std::vector<std::string> nombres;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* evento = reinterpret_cast<const inotify_event*>(buffer + at);
            nombres.push_back(evento->len > 0 ? evento->name : ".");
            at += static_cast<ssize_t>(sizeof(inotify_event) + evento->len);
        }
    }
    return nombres;
}

std::string enCarpetaDeSoloLectura(const fs::path& carpeta,
                                   const std::function<std::string()>& trabajo,
                                   bool* sinPrivilegios) {
    int tubo[2];
    if (::pipe(tubo) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t hijo = ::fork();
    if (hijo == 0) {
        ::close(tubo[0]);
        std::string respuesta;
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(carpeta.c_str(), carpeta.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, carpeta.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
                0) {
            respuesta = "\x01";  // no mount: the parent skips
        } else {
            try {
                respuesta = trabajo();
            } catch (const std::exception& e) {
                respuesta = std::string("excepción: ") + e.what();
            }
        }
        (void)!::write(tubo[1], respuesta.data(), respuesta.size());
        ::_exit(0);
    }
    ::close(tubo[1]);
    std::string respuesta;
    char bloque[512];
    for (ssize_t n; (n = ::read(tubo[0], bloque, sizeof bloque)) > 0;) {
        respuesta.append(bloque, static_cast<std::size_t>(n));
    }
    ::close(tubo[0]);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    *sinPrivilegios = respuesta == "\x01";
    return respuesta;
}

}  // namespace qv::hostil
