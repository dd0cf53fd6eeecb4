// A library that stands in for the filter library when the setup registers
// it: DllRegisterServer counts its calls and returns what the test set.
// Built twice: with ORLIN_WITHOUT_ENTRY_POINT it exports no DllRegisterServer.
#include "orlin/com.h"

#ifdef _WIN32
#define TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TEST_EXPORT void SetRegisterResult(HRESULT hr);
TEST_EXPORT int RegisterCalls();
#ifndef ORLIN_WITHOUT_ENTRY_POINT
TEST_EXPORT HRESULT STDMETHODCALLTYPE DllRegisterServer();
#endif

namespace {
int calls = 0;
HRESULT result = S_OK;
}  // namespace

TEST_EXPORT void SetRegisterResult(HRESULT hr) {
  result = hr;
}
TEST_EXPORT int RegisterCalls() {
  return calls;
}

#ifndef ORLIN_WITHOUT_ENTRY_POINT
TEST_EXPORT HRESULT STDMETHODCALLTYPE DllRegisterServer() {
  ++calls;
  return result;
}
#endif
