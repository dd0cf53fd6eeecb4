// rmem_cap.so: a stock Linux kernel's net.core.rmem_max (212,992 bytes) for one
// program, loaded with LD_PRELOAD: an SO_RCVBUF asked above it is lowered to it,
// as that kernel does, without touching the machine's own sysctl.
#include <dlfcn.h>
#include <sys/socket.h>

namespace {

constexpr int kStockRmemMax = 212992;

using SetSockOpt = int (*)(int, int, int, const void*, socklen_t);

}  // namespace

extern "C" int setsockopt(int s, int level, int name, const void* value, socklen_t length) {
  static const auto system = reinterpret_cast<SetSockOpt>(dlsym(RTLD_NEXT, "setsockopt"));
  if (level == SOL_SOCKET && name == SO_RCVBUF && value != nullptr && length == sizeof(int) &&
      *static_cast<const int*>(value) > kStockRmemMax) {
    return system(s, level, name, &kStockRmemMax, sizeof kStockRmemMax);
  }
  return system(s, level, name, value, length);
}
