// A progress line on stderr for long runs: rewritten in place a few times a
// second, and only once a run has taken long enough to need it.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace orlin::tool {

class Progress {
 public:
  // `out` null: no progress at all (stderr is not a terminal, or --quiet).
  // `total` below 0: the number of frames is not known in advance.
  Progress(std::ostream* out, std::string what, std::int64_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Update(std::int64_t done);
  // Clears the line, so that messages after it start on a clean line.
  void Finish();

 private:
  std::ostream* out_;
  std::string what_;
  std::int64_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_shown_;
  std::size_t shown_width_ = 0;
};

}  // namespace orlin::tool
