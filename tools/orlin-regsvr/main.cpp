// orlin-regsvr: registers or unregisters an in-process server library in the
// PC hive by calling its DllRegisterServer or DllUnregisterServer, as regsvr32
// does on Windows.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "orlin/com.h"
#include "orlin/registry.h"
#include "platform/posix/filter_library_path.h"

namespace {

constexpr char kHelp[] =
    "Usage: orlin-regsvr [/u] LIBRARY\n"
    "\n"
    "Registers the in-process COM server LIBRARY (build/linux/lib/liborlin.so for\n"
    "\"Orlin Camera\") in the PC settings hive by calling its DllRegisterServer, so\n"
    "that orlin-view and other hosts find it among the video input devices.\n"
    "\n"
    "  /u, -u, --unregister  call DllUnregisterServer instead\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "\n"
    "The hive is $ORLIN_PC_REGISTRY when set, else $XDG_CONFIG_HOME/orlin/pc.reg\n"
    "(~/.config/orlin/pc.reg). The library path is stored as given, made absolute.\n"
    "Exit status: 0 when the call succeeded, 1 when it failed, 2 for bad usage.\n";

// The library's own file name is what it registers; a relative name would
// only be found from this directory, so it is made absolute first.
std::string AbsolutePath(const std::string& path) {
  if (path.find('/') == std::string::npos) return path;  // a name for the loader's search
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string absolute(resolved);
  std::free(resolved);
  return absolute;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("orlin-regsvr " ORLIN_VERSION);
      return 0;
    }
    if (arg == "/u" || arg == "/U" || arg == "-u" || arg == "--unregister") {
      unregister = true;
    } else if (library.empty() && !arg.empty() && arg[0] != '-') {
      library = arg;
    } else {
      std::fprintf(stderr, "orlin-regsvr: unexpected argument '%s' (try --help)\n", arg.c_str());
      return 2;
    }
  }
  if (library.empty()) {
    std::fputs("orlin-regsvr: no library given (try --help)\n", stderr);
    return 2;
  }

  orlin::platform::SelectRegistryHive(orlin::platform::RegistryHive::kPc);
  const std::string path = AbsolutePath(library);
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  // The library's registration creates the filter mapper through COM, which
  // its caller initialises, as on Windows.
  CoInitialize(nullptr);
  std::string failure;
  const HRESULT hr = orlin::platform::CallServerRegistration(path, unregister, failure);
  CoUninitialize();
  if (!failure.empty()) {
    std::fprintf(stderr, "orlin-regsvr: %s\n", failure.c_str());
    return 1;
  }
  if (FAILED(hr)) {
    std::fprintf(stderr, "orlin-regsvr: %s in %s failed: 0x%08X\n", entry, path.c_str(),
                 static_cast<unsigned>(hr));
    return 1;
  }
  std::printf("%s in %s succeeded (0x%08X); hive %s\n", entry, path.c_str(), static_cast<unsigned>(hr),
              orlin::platform::RegistryHiveFile().c_str());
  return 0;
}
