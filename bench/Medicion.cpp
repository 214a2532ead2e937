#include "bench/Medicion.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qv::bench {

namespace {

std::string salidaDe(int fd) {
    std::string texto;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            texto.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    return texto;
}

}  // namespace

long residenteKiB() {
    std::ifstream estado("/proc/self/status");
    for (std::string linea; std::getline(estado, linea);) {
        if (linea.rfind("VmRSS:", 0) == 0) {
            return std::atol(linea.c_str() + 6);
        }
    }
    return 0;
}

double ahora() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Medida medirEnHijo(const std::vector<std::string>& argumentos) {
    int tubo[2];
    if (::pipe(tubo) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    std::vector<char*> argv;
    std::string programa = "/proc/self/exe";
    argv.push_back(programa.data());
    std::vector<std::string> copia = argumentos;
    for (std::string& a : copia) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const pid_t hijo = ::fork();
    if (hijo < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (hijo == 0) {
        ::dup2(tubo[1], STDOUT_FILENO);
        ::close(tubo[0]);
        ::close(tubo[1]);
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(tubo[1]);
    const std::string salida = salidaDe(tubo[0]);
    ::close(tubo[0]);

    int estado = 0;
    struct rusage uso {};
    while (::wait4(hijo, &estado, 0, &uso) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("wait4: ") + std::strerror(errno));
        }
    }
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
        throw std::runtime_error("the measured run '" + argumentos.front() + "' failed");
    }
    Medida medida;
    long inicioKiB = 0;
    std::istringstream leida(salida);
    if (!(leida >> medida.segundos >> inicioKiB)) {
        throw std::runtime_error("the measured run '" + argumentos.front() +
                                 "' printed no time: " + salida);
    }
    medida.picoKiB = uso.ru_maxrss;  // kilobytes on Linux
    medida.propioKiB = medida.picoKiB - inicioKiB;
    return medida;
}

}  // namespace qv::bench
