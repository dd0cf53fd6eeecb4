#include "view/y4m_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <numeric>

namespace orlin::view {

std::string Y4mStreamHeader(const PlanarFrame& frame, long long frame_interval) {
  long long numerator = 30, denominator = 1;
  if (frame_interval > 0) {
    const long long divisor = std::gcd(10000000LL, frame_interval);
    numerator = 10000000LL / divisor;
    denominator = frame_interval / divisor;
  }
  const char* colour = frame.sampling == Sampling::k420   ? "C420"
                       : frame.sampling == Sampling::k422 ? "C422"
                                                          : "C444";
  return "YUV4MPEG2 W" + std::to_string(frame.width) + " H" + std::to_string(frame.height) + " F" +
         std::to_string(numerator) + ":" + std::to_string(denominator) + " Ip A1:1 " + colour + "\n";
}

Y4mWriter::Y4mWriter(std::string path, long long frame_interval)
    : path_(std::move(path)), frame_interval_(frame_interval) {}

Y4mWriter::~Y4mWriter() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
}

bool Y4mWriter::Open() {
  if (file_ != nullptr) return true;
  if (path_ == "-") {
    file_ = stdout;
  } else {
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created_ = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Fail("cannot create " + path_ + ": " + std::strerror(errno));
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
      close(fd);
      return Fail("cannot create " + path_ + ": " + std::strerror(errno));
    }
  }
  struct stat status {};
  live_ = fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode);
  return true;
}

bool Y4mWriter::Write(const PlanarFrame& frame) {
  if (!started_) {
    if (file_ == nullptr && !Open()) return false;
    // An existing file opened by Open is emptied only now that a frame came.
    if (!live_ && ftruncate(fileno(file_), 0) != 0) {
      return Fail("cannot write " + path_ + ": " + std::strerror(errno));
    }
    started_ = true;
    width_ = frame.width;
    height_ = frame.height;
    sampling_ = frame.sampling;
    const std::string header = Y4mStreamHeader(frame, frame_interval_);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
      return Fail("cannot write " + path_ + ": " + std::strerror(errno));
    }
  }
  // A stream has one geometry; the pin's type never changes while it runs.
  if (frame.width != width_ || frame.height != height_ || frame.sampling != sampling_) {
    return Fail("frame size changed within the stream");
  }
  static constexpr char kFrame[] = "FRAME\n";
  if (std::fwrite(kFrame, 1, 6, file_) != 6 || std::fwrite(frame.y.data(), 1, frame.y.size(), file_) != frame.y.size() ||
      std::fwrite(frame.u.data(), 1, frame.u.size(), file_) != frame.u.size() ||
      std::fwrite(frame.v.data(), 1, frame.v.size(), file_) != frame.v.size() ||
      (live_ && std::fflush(file_) != 0)) {
    return Fail("cannot write " + path_ + ": " + std::strerror(errno));
  }
  return true;
}

bool Y4mWriter::Finish() {
  if (file_ == nullptr) return true;
  if (!started_) {
    if (file_ != stdout) std::fclose(file_);
    file_ = nullptr;
    if (created_) std::remove(path_.c_str());
    return true;
  }
  const bool flushed = std::fflush(file_) == 0;
  if (file_ != stdout && std::fclose(file_) != 0) {
    file_ = nullptr;
    return Fail("cannot finish " + path_ + ": " + std::strerror(errno));
  }
  file_ = nullptr;
  return flushed ? true : Fail("cannot write " + path_ + ": " + std::strerror(errno));
}

}  // namespace orlin::view
