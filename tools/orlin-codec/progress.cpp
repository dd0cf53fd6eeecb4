#include "tools/orlin-codec/progress.h"

namespace orlin::tool {
namespace {

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(200);

}  // namespace

Progress::Progress(std::ostream* out, std::string what, std::int64_t total)
    : out_(out), what_(std::move(what)), total_(total), start_(std::chrono::steady_clock::now()), last_shown_(start_) {}

Progress::~Progress() { Finish(); }

void Progress::Update(std::int64_t done) {
  if (out_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietStart || now - last_shown_ < kInterval) return;
  last_shown_ = now;
  std::string line = what_ + ": frame " + std::to_string(done);
  if (total_ > 0) line += " of " + std::to_string(total_) + " (" + std::to_string(done * 100 / total_) + "%)";
  const std::size_t width = line.size();
  if (width < shown_width_) line.append(shown_width_ - width, ' ');
  shown_width_ = width;
  *out_ << '\r' << line << std::flush;
}

void Progress::Finish() {
  if (out_ == nullptr || shown_width_ == 0) return;
  *out_ << '\r' << std::string(shown_width_, ' ') << '\r' << std::flush;
  shown_width_ = 0;
}

}  // namespace orlin::tool
