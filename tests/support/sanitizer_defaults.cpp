// The sanitizer options every test program starts with, however it is run
// (by ctest, by hand, or under a launcher such as the USB suites' preload).
// The runtimes read these hooks before the environment's *SAN_OPTIONS, which
// still override them. Without a sanitizer they are never called.
extern "C" const char* __asan_default_options();
extern "C" const char* __ubsan_default_options();

extern "C" const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
