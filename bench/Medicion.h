#pragma once

#include <string>
#include <vector>

namespace qv::bench {

// What one measured run reports: its own wall time, the peak resident memory of the process
// that ran it, and how far that peak lies above what the process held when the run began (the
// memory the run itself needed, without the libraries every process of the program maps).
struct Medida {
    double segundos = 0;
    long picoKiB = 0;
    long propioKiB = 0;
};

// The resident memory of this process now, in KiB (0 where the system does not tell).
long residenteKiB();

// Runs this program again with ARGUMENTOS in a child process of its own, so the peak memory is
// that run's alone. The child prints its wall time in seconds and its resident KiB when the run
// began on its standard output; anything else, or a failed exit, is an error.
Medida medirEnHijo(const std::vector<std::string>& argumentos);

// Seconds of the monotonic clock.
double ahora();

}  // namespace qv::bench
