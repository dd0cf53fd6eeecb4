// The address sanitizer's defaults for the fuzz targets. Freed blocks wait in
// a 16 MB quarantine instead of 256 MB: a use after free within one input is
// still caught, and the megabyte buffers made for each input are reused warm
// instead of faulted in afresh, which doubles the executions a second.
// ASAN_OPTIONS still overrides these.
extern "C" const char* __asan_default_options();

extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16:malloc_context_size=10";
}
