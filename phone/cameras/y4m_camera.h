// A Y4M file as a camera: 4:2:0 frames played in a loop at the file's frame
// rate, offered as YV12 at the file's size.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "phone/cameras/camera.h"

namespace orlin::phone::cameras {

struct Y4mHeader {
  int width = 0;
  int height = 0;
  REFERENCE_TIME frameInterval = 0;
};

// Reads the stream header line (without its newline). False, with a reason,
// for anything that is not an even-sized 4:2:0 stream the phone can carry.
bool ParseY4mHeader(const std::string& line, Y4mHeader* header, std::string* error);

class Y4mCamera final : public Camera {
 public:
  // Null, with a reason, when the file cannot be opened or is not such a stream.
  static std::unique_ptr<Y4mCamera> Open(const std::string& path, std::string* error);

  const std::vector<CameraFormat>& Formats() const override { return formats_; }
  bool Start(std::size_t index) override;
  FrameResult ReadFrame(BYTE* frame, std::size_t bytes) override;
  void Stop() override {}

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  Y4mCamera() = default;
  bool ReadOneFrame(BYTE* frame);

  std::unique_ptr<std::FILE, FileCloser> file_;
  long first_frame_ = 0;
  Y4mHeader header_;
  std::vector<CameraFormat> formats_;
};

}  // namespace orlin::phone::cameras
