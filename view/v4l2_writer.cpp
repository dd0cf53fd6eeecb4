#include "view/v4l2_writer.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orlin::view {

std::vector<std::uint8_t> PackForDevice(const PlanarFrame& frame) {
  std::vector<std::uint8_t> out;
  if (frame.sampling == Sampling::k420) {
    out.reserve(frame.y.size() + frame.u.size() * 2);
    out.insert(out.end(), frame.y.begin(), frame.y.end());
    out.insert(out.end(), frame.u.begin(), frame.u.end());
    out.insert(out.end(), frame.v.begin(), frame.v.end());
  } else if (frame.sampling == Sampling::k422) {
    out.resize(frame.y.size() * 2);
    for (std::size_t pair = 0; pair < frame.y.size() / 2; ++pair) {
      out[4 * pair] = frame.y[2 * pair];
      out[4 * pair + 1] = frame.u[pair];
      out[4 * pair + 2] = frame.y[2 * pair + 1];
      out[4 * pair + 3] = frame.v[pair];
    }
  } else {
    out = ToRgb(frame);
  }
  return out;
}

V4l2Writer::~V4l2Writer() {
  if (fd_ >= 0) close(fd_);
}

bool V4l2Writer::Open() {
  fd_ = open(device_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) return Fail("cannot open " + device_ + ": " + std::strerror(errno));
  v4l2_capability capability{};
  if (ioctl(fd_, VIDIOC_QUERYCAP, &capability) != 0) {
    return Fail(device_ + " is not a V4L2 device: " + std::strerror(errno));
  }
  const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                                 ? capability.device_caps
                                 : capability.capabilities;
  if ((caps & V4L2_CAP_VIDEO_OUTPUT) == 0 || (caps & V4L2_CAP_READWRITE) == 0) {
    return Fail(device_ + " takes no video output by write() (is it a v4l2loopback device?)");
  }
  return true;
}

bool V4l2Writer::Write(const PlanarFrame& frame) {
  if (fd_ < 0 && !Open()) return false;
  const std::vector<std::uint8_t> packed = PackForDevice(frame);
  if (!format_set_) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    format.fmt.pix.width = static_cast<std::uint32_t>(frame.width);
    format.fmt.pix.height = static_cast<std::uint32_t>(frame.height);
    format.fmt.pix.pixelformat = frame.sampling == Sampling::k420   ? V4L2_PIX_FMT_YUV420
                                 : frame.sampling == Sampling::k422 ? V4L2_PIX_FMT_YUYV
                                                                    : V4L2_PIX_FMT_RGB24;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.sizeimage = static_cast<std::uint32_t>(packed.size());
    format.fmt.pix.bytesperline = frame.sampling == Sampling::k420   ? frame.width
                                  : frame.sampling == Sampling::k422 ? frame.width * 2
                                                                     : frame.width * 3;
    format.fmt.pix.colorspace = V4L2_COLORSPACE_SMPTE170M;
    if (ioctl(fd_, VIDIOC_S_FMT, &format) != 0) {
      return Fail("cannot set the format of " + device_ + ": " + std::strerror(errno));
    }
    format_set_ = true;
  }
  const ssize_t written = write(fd_, packed.data(), packed.size());
  if (written != static_cast<ssize_t>(packed.size())) {
    return Fail("cannot write to " + device_ + ": " + (written < 0 ? std::strerror(errno) : "short write"));
  }
  return true;
}

}  // namespace orlin::view
