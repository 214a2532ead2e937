#include <cstdio>

// Placeholder until the command line is written.
int main() {
    std::fputs("quorvane-cli: aún sin órdenes\n", stderr);
    return 1;
}
