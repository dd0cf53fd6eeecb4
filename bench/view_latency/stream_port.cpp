#include "bench/view_latency/stream_port.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

namespace orlin::bench {
namespace {

// Socket inodes of a process, from its descriptors.
std::set<std::string> SocketsOf(pid_t pid) {
  std::set<std::string> sockets;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind("socket:[", 0) == 0)
      sockets.insert(target.substr(8, target.size() - 9));
  }
  return sockets;
}

}  // namespace

std::size_t OthersOnTheStreamPort(pid_t owner) {
  const std::set<std::string> owners = owner > 0 ? SocketsOf(owner) : std::set<std::string>{};
  std::size_t others = 0;
  for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
    std::ifstream file(table);
    std::string line;
    std::getline(file, line);  // headings
    while (std::getline(file, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
      fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
          timeout >> inode;
      if (local.size() > 5 && local.compare(local.size() - 5, 5, ":115C") == 0 &&
          owners.count(inode) == 0) {
        ++others;
      }
    }
  }
  return others;
}

bool WaitForTheStreamPort(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (OthersOnTheStreamPort(0) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

}  // namespace orlin::bench
