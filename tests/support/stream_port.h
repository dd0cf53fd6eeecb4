// The stream's real port is fixed, and other programs (a phone streaming, a
// viewer, another test run) may be using it. Tests that prove the real port
// wait for it; every other test uses a port of its own.
#pragma once

namespace orlin::test {

// Waits, up to a generous deadline, until no other program has a UDP socket
// on the stream port; then returns whatever the state (the test's own checks
// report a port still taken). Linux: reads /proc/net/udp.
void WaitForTheStreamPort();

}  // namespace orlin::test
