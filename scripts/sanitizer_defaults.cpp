// Linked into every executable of the sanitizer build (scripts/test.sh), so the programs the
// tests start with an environment of their own get the same settings.

// Leaks that Qt's X11 platform plugin and the system libraries under it leave at exit (the D-Bus
// connection, the keyboard map, fonts); none of them is ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libQt6XcbQpa.so\n"
           "leak:libxkbcommon-x11.so\n"
           "leak:libfontconfig.so\n";
}
