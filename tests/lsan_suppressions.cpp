// Leaks in system libraries that the tests cannot free, for sanitizer builds.
// Fontconfig keeps its configuration for the life of the process; Qt never calls FcFini.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
