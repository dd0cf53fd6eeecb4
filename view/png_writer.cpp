#include "view/png_writer.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orlin::view {

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb,
              std::string& error) {
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + temporary + ": " + std::strerror(errno);
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const bool written =
      png_image_write_to_stdio(&image, file, 0, rgb.data(), width * 3, nullptr) != 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + temporary + (written ? std::string(": ") + std::strerror(errno)
                                                   : std::string(": ") + image.message);
    png_image_free(&image);
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool PngWriter::Open() {
  struct stat status {};
  if (stat(path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return Fail("cannot write " + path_ + ": " + std::strerror(EISDIR));
  }
  const std::string temporary = path_ + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return Fail("cannot create " + temporary + ": " + std::strerror(errno));
  std::fclose(file);
  std::remove(temporary.c_str());
  return true;
}

bool PngWriter::Write(const PlanarFrame& frame) {
  last_ = frame;
  have_frame_ = true;
  return true;
}

bool PngWriter::Finish() {
  if (!have_frame_) return Fail("no frame arrived for " + path_);
  std::string error;
  if (!WritePng(path_, last_.width, last_.height, ToRgb(last_), error)) return Fail(error);
  return true;
}

}  // namespace orlin::view
