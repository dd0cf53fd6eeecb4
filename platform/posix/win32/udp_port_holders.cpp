#include "platform/posix/win32/udp_port_holders.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orlin::posix {
namespace {

// Socket inodes of a process, from its descriptors.
std::set<std::string> SocketsOf(pid_t pid) {
  std::set<std::string> sockets;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code link_error;
    const std::string target = std::filesystem::read_symlink(entry.path(), link_error).string();
    if (!link_error && target.rfind("socket:[", 0) == 0)
      sockets.insert(target.substr(8, target.size() - 9));
  }
  return sockets;
}

}  // namespace

std::set<std::string> UdpPortHolders(std::uint16_t port, pid_t except) {
  const std::set<std::string> excepted = except > 0 ? SocketsOf(except) : std::set<std::string>{};
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, ":%04X", unsigned(port));
  std::set<std::string> holders;
  for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
    std::ifstream file(table);
    std::string line;
    std::getline(file, line);  // headings
    while (std::getline(file, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
      fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
          timeout >> inode;
      if (local.size() > 5 && local.compare(local.size() - 5, 5, suffix) == 0 &&
          excepted.count(inode) == 0) {
        holders.insert(inode);
      }
    }
  }
  return holders;
}

}  // namespace orlin::posix
