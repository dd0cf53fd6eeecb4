// The library's entry point and its four exports; everything they do lives in
// the orlin_com_server library.
#include "filter/com_server/registration.h"
#include "filter/com_server/server.h"

#ifdef _WIN32
#define ORLIN_EXPORT extern "C"
#else
#define ORLIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllRegisterServer();
ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllUnregisterServer();
ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllCanUnloadNow();

ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllRegisterServer() {
  return orlin::filter::ServerRegister();
}

ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
  return orlin::filter::ServerUnregister();
}

ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return orlin::filter::ServerGetClassObject(rclsid, riid, ppv);
}

ORLIN_EXPORT HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  return orlin::filter::ServerCanUnloadNow();
}

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID);
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    orlin::filter::SetServerModule(instance);
    orlin::filter::ServerProcessAttach(TRUE);
  } else if (reason == DLL_PROCESS_DETACH) {
    orlin::filter::ServerProcessAttach(FALSE);
  }
  return TRUE;
}
#else
namespace {
// The shared object's handle: any address inside it.
char module_anchor;

__attribute__((constructor)) void ProcessAttach() {
  orlin::filter::SetServerModule(&module_anchor);
  orlin::filter::ServerProcessAttach(TRUE);
}
__attribute__((destructor)) void ProcessDetach() { orlin::filter::ServerProcessAttach(FALSE); }
}  // namespace
#endif
