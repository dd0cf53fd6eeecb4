#include "terminal/curses_session.h"

#include <curses.h>

#include <clocale>
#include <csignal>

namespace orlin::terminal {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) { stopSignal = 1; }

}  // namespace

bool StopRequested() { return stopSignal != 0; }

CursesSession::CursesSession() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGHUP, OnStopSignal);
  std::setlocale(LC_ALL, "");
  // Esc is a key of its own here; do not wait long for a sequence after it.
  set_escdelay(25);
  initscr();
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
}

CursesSession::~CursesSession() { endwin(); }

}  // namespace orlin::terminal
