#include "phone/cameras/y4m_camera.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "phone/cameras/pixel_formats.h"

namespace orlin::phone::cameras {
namespace {

constexpr char kMagic[] = "YUV4MPEG2";
constexpr int kMaxSide = 4096;
constexpr std::size_t kMaxLine = 4096;
constexpr REFERENCE_TIME kDefaultInterval = 333333;  // 30 frames a second

// Reads up to and without the newline; false at the end of the file or for a
// line longer than any Y4M header.
bool ReadLine(std::FILE* file, std::string* line) {
  line->clear();
  for (int c = std::fgetc(file); c != '\n'; c = std::fgetc(file)) {
    if (c == EOF || line->size() >= kMaxLine) return false;
    line->push_back(static_cast<char>(c));
  }
  return true;
}

bool ParseSide(const std::string& text, int* side) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value <= 0 || value > kMaxSide) return false;
  *side = static_cast<int>(value);
  return true;
}

}  // namespace

bool ParseY4mHeader(const std::string& line, Y4mHeader* header, std::string* error) {
  std::istringstream tokens(line);
  std::string token;
  if (!(tokens >> token) || token != kMagic) {
    *error = "not a YUV4MPEG2 stream";
    return false;
  }
  Y4mHeader parsed;
  parsed.frameInterval = kDefaultInterval;
  while (tokens >> token) {
    const std::string value = token.substr(1);
    switch (token[0]) {
      case 'W':
        if (!ParseSide(value, &parsed.width)) {
          *error = "bad width " + value;
          return false;
        }
        break;
      case 'H':
        if (!ParseSide(value, &parsed.height)) {
          *error = "bad height " + value;
          return false;
        }
        break;
      case 'F': {
        unsigned long long numerator = 0;
        unsigned long long denominator = 0;
        if (std::sscanf(value.c_str(), "%llu:%llu", &numerator, &denominator) == 2 &&
            numerator > 0 && denominator > 0 && denominator <= 1000000 &&
            denominator * 10000000ull / numerator > 0) {
          parsed.frameInterval =
              static_cast<REFERENCE_TIME>(denominator * 10000000ull / numerator);
        }
        break;
      }
      case 'C':
        // Every 4:2:0 siting has the same plane layout; others the phone cannot send.
        if (value.rfind("420", 0) != 0) {
          *error = "chroma " + value + " is not 4:2:0";
          return false;
        }
        break;
      default:
        break;  // interlacing, aspect and extensions do not change the bytes
    }
  }
  if (parsed.width == 0 || parsed.height == 0) {
    *error = "no frame size";
    return false;
  }
  if (parsed.width % 2 != 0 || parsed.height % 2 != 0) {
    *error = "odd frame size";
    return false;
  }
  *header = parsed;
  return true;
}

std::unique_ptr<Y4mCamera> Y4mCamera::Open(const std::string& path, std::string* error) {
  std::unique_ptr<Y4mCamera> camera(new Y4mCamera());
  camera->file_.reset(std::fopen(path.c_str(), "rb"));
  if (!camera->file_) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::string line;
  if (!ReadLine(camera->file_.get(), &line)) {
    *error = path + ": no YUV4MPEG2 header";
    return nullptr;
  }
  if (!ParseY4mHeader(line, &camera->header_, error)) {
    *error = path + ": " + *error;
    return nullptr;
  }
  camera->first_frame_ = std::ftell(camera->file_.get());
  const CameraFormat format{PixelFormat::kYV12, camera->header_.width, camera->header_.height,
                            camera->header_.frameInterval};
  // A file without one whole frame has nothing to play.
  BYTE probe = 0;
  std::string frameLine;
  if (!ReadLine(camera->file_.get(), &frameLine) || frameLine.rfind("FRAME", 0) != 0 ||
      std::fseek(camera->file_.get(), static_cast<long>(FrameBytes(format) - 1), SEEK_CUR) != 0 ||
      std::fread(&probe, 1, 1, camera->file_.get()) != 1) {
    *error = path + ": no whole frame";
    return nullptr;
  }
  camera->formats_.push_back(format);
  return camera;
}

bool Y4mCamera::Start(std::size_t index) {
  if (index >= formats_.size()) return false;
  return std::fseek(file_.get(), first_frame_, SEEK_SET) == 0;
}

bool Y4mCamera::ReadOneFrame(BYTE* frame) {
  std::string line;
  if (!ReadLine(file_.get(), &line) || line.rfind("FRAME", 0) != 0) return false;
  const std::size_t luma = std::size_t(header_.width) * header_.height;
  const std::size_t chroma = luma / 4;
  // The file holds Y, U, V; YV12 is Y, V, U.
  return std::fread(frame, 1, luma, file_.get()) == luma &&
         std::fread(frame + luma + chroma, 1, chroma, file_.get()) == chroma &&
         std::fread(frame + luma, 1, chroma, file_.get()) == chroma;
}

FrameResult Y4mCamera::ReadFrame(BYTE* frame, std::size_t bytes) {
  if (formats_.empty() || frame == nullptr || bytes < FrameBytes(formats_[0])) {
    return FrameResult::kFailed;
  }
  if (ReadOneFrame(frame)) return FrameResult::kFrame;
  // The end of the file, or a cut-off last frame: play it again from the start.
  if (std::fseek(file_.get(), first_frame_, SEEK_SET) != 0) return FrameResult::kFailed;
  return ReadOneFrame(frame) ? FrameResult::kFrame : FrameResult::kFailed;
}

}  // namespace orlin::phone::cameras
