#include "tests/support/stream_port.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#include "wire/stream.h"

namespace orlin::test {
namespace {

// Inodes of UDP sockets on the stream port that belong to other programs.
std::set<std::string> OthersOnTheStreamPort() {
  std::set<std::string> ours;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind("socket:[", 0) == 0) ours.insert(target.substr(8, target.size() - 9));
  }
  char port[8];
  std::snprintf(port, sizeof port, ":%04X", unsigned(wire::kStreamPort));
  std::set<std::string> others;
  std::ifstream table("/proc/net/udp");
  std::string line;
  std::getline(table, line);  // headings
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
    if (local.size() > 5 && local.substr(local.size() - 5) == port && ours.count(inode) == 0) {
      others.insert(inode);
    }
  }
  return others;
}

}  // namespace

void WaitForTheStreamPort() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (!OthersOnTheStreamPort().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

}  // namespace orlin::test
