#include "tools/orlin-codec/progress.h"

namespace orlin::tool {
namespace {

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(200);

}  // namespace

Progress::Progress(std::ostream* out, std::string what, std::int64_t total)
    : out_(out), what_(std::move(what)), total_(total), start_(std::chrono::steady_clock::now()), lastShown_(start_) {}

Progress::~Progress() { Finish(); }

void Progress::Update(std::int64_t done) {
  if (out_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietStart || now - lastShown_ < kInterval) return;
  lastShown_ = now;
  std::string line = what_ + ": frame " + std::to_string(done);
  if (total_ > 0) line += " of " + std::to_string(total_) + " (" + std::to_string(done * 100 / total_) + "%)";
  const std::size_t width = line.size();
  if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
  shownWidth_ = width;
  *out_ << '\r' << line << std::flush;
}

void Progress::Finish() {
  if (out_ == nullptr || shownWidth_ == 0) return;
  *out_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
  shownWidth_ = 0;
}

}  // namespace orlin::tool
