// UDP port 4444, which orlin-view binds and nothing lets the bench move: a
// program bound to it beside orlin-view takes some of the datagrams.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>

namespace orlin::bench {

// Sockets bound to the port that are not process `owner`'s (0: anyone's).
std::size_t OthersOnTheStreamPort(pid_t owner);

// Waits, up to `limit`, until no program holds the port; false when one still does.
bool WaitForTheStreamPort(std::chrono::seconds limit);

}  // namespace orlin::bench
