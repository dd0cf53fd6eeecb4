// A worker thread's membership of the COM runtime, for the thread's lifetime.
#pragma once

namespace orlin {

// On Windows the worker joins the multithreaded apartment through ole32 as the
// process already has it loaded (the library is not loaded here), and leaves it
// again only when the join succeeded. On Linux there is nothing to join.
class ThreadApartment {
 public:
  ThreadApartment();
  ~ThreadApartment();
  ThreadApartment(const ThreadApartment&) = delete;
  ThreadApartment& operator=(const ThreadApartment&) = delete;

  bool Joined() const { return joined_; }

 private:
  bool joined_ = false;
};

}  // namespace orlin
