// A curses session as the terminal programs run one: the terminal in cbreak
// mode with keypad keys and a short Esc delay, restored when the session
// ends, and the stop signals turned into a flag the key loops check.
#pragma once

namespace orlin::terminal {

// Starts curses for the life of the object and restores the terminal after.
// SIGINT, SIGTERM and SIGHUP then set StopRequested() instead of ending the
// program, so that the screens close as they do for a key and the terminal is
// restored rather than left raw.
class CursesSession {
 public:
  CursesSession();
  ~CursesSession();
  CursesSession(const CursesSession&) = delete;
  CursesSession& operator=(const CursesSession&) = delete;
};

// True once a stop signal arrived.
bool StopRequested();

}  // namespace orlin::terminal
