// A PNG snapshot: the last frame delivered, written as 8-bit RGB when the
// run ends (to a temporary file renamed over PATH, so a reader never sees
// half a picture).
#pragma once

#include <string>

#include "view/frame_writer.h"

namespace orlin::view {

// Writes RGB rows (3 bytes a pixel, top row first) as a PNG; false with a
// message on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error);

class PngWriter final : public FrameWriter {
 public:
  explicit PngWriter(std::string path) : path_(std::move(path)) {}
  // Checks that the picture can be written there (its temporary file can be
  // made, and PATH is no folder); nothing is left behind.
  bool Open() override;
  bool Write(const PlanarFrame& frame) override;
  bool Finish() override;

 private:
  std::string path_;
  PlanarFrame last_;
  bool have_frame_ = false;
};

}  // namespace orlin::view
