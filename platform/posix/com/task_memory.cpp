// Task memory is the C heap on Linux: blocks pass between our own modules only.
#include <cstdlib>

#include "orlin/com.h"

void* CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

void CoTaskMemFree(void* block) { std::free(block); }
