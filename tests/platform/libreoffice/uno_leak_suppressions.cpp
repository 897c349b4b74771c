// The UNO runtime keeps its type descriptions in reference cycles it never frees at exit; the
// leak checker of the sanitizer build is told to look past the runtime's own allocations.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libuno_cppu.so\n"
         "leak:libuno_sal.so\n";
}
