#pragma once

#include <string>
#include <vector>

namespace qv::bench {

// What one measured run reports: its own wall time and the peak resident memory of the process
// that ran it.
struct Medida {
    double segundos = 0;
    long picoKiB = 0;
};

// Runs this program again with ARGUMENTOS in a child process of its own, so the peak memory is
// that run's alone. The child prints its wall time in seconds on its standard output; anything
// else, or a failed exit, is an error.
Medida medirEnHijo(const std::vector<std::string>& argumentos);

// Seconds of the monotonic clock.
double ahora();

}  // namespace qv::bench
