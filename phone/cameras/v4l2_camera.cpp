#include "phone/cameras/v4l2_camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "phone/cameras/pixel_formats.h"

namespace orlin::phone::cameras {
namespace {

constexpr unsigned kBufferCount = 4;
// How long ReadFrame waits for the device before it lets its caller look up.
constexpr int kWaitMilliseconds = 100;

int Control(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ioctl(fd, request, argument);
  } while (result == -1 && errno == EINTR);
  return result;
}

}  // namespace

std::unique_ptr<V4l2Camera> V4l2Camera::Open(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<V4l2Camera> camera(new V4l2Camera(fd));
  v4l2_capability capability{};
  if (Control(fd, VIDIOC_QUERYCAP, &capability) != 0) {
    *error = path + " is not a V4L2 device";
    return nullptr;
  }
  const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                                 ? capability.device_caps
                                 : capability.capabilities;
  if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0 || (caps & V4L2_CAP_STREAMING) == 0) {
    *error = path + " is not a streaming capture device";
    return nullptr;
  }
  camera->EnumerateFormats();
  if (camera->formats_.empty()) {
    *error = path + " offers no YUYV, YU12, YV12 or motion JPEG format";
    return nullptr;
  }
  return camera;
}

V4l2Camera::~V4l2Camera() {
  Stop();
  ::close(fd_);
}

void V4l2Camera::EnumerateFormats() {
  v4l2_fmtdesc description{};
  description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  for (description.index = 0; Control(fd_, VIDIOC_ENUM_FMT, &description) == 0;
       ++description.index) {
    const std::optional<V4l2Mapping> mapping = MapV4l2PixelFormat(description.pixelformat);
    if (!mapping) continue;
    std::vector<FrameSize> sizes;
    v4l2_frmsizeenum size{};
    size.pixel_format = description.pixelformat;
    for (size.index = 0; Control(fd_, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        sizes.push_back({static_cast<int>(size.discrete.width),
                         static_cast<int>(size.discrete.height)});
      } else {
        const v4l2_frmsize_stepwise& range = size.stepwise;
        sizes = SizesInRange(static_cast<int>(range.min_width), static_cast<int>(range.max_width),
                             static_cast<int>(range.step_width),
                             static_cast<int>(range.min_height),
                             static_cast<int>(range.max_height),
                             static_cast<int>(range.step_height));
        break;
      }
    }
    for (const FrameSize& frameSize : sizes) {
      const CameraFormat format{mapping->pixels, frameSize.width, frameSize.height, 0};
      // Sizes beyond a 16-bit format, or odd 4:2:0 ones, cannot be sent.
      if (FrameBytes(format) == 0 || frameSize.width > 0xFFFF || frameSize.height > 0xFFFF) {
        continue;
      }
      OfferDeviceFormat(format, description.pixelformat, &formats_, &device_formats_);
    }
  }
}

bool V4l2Camera::Start(std::size_t index) {
  Stop();
  if (index >= formats_.size()) return false;
  started_ = formats_[index];
  mapping_ = *MapV4l2PixelFormat(device_formats_[index]);

  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.width = static_cast<std::uint32_t>(started_.width);
  format.fmt.pix.height = static_cast<std::uint32_t>(started_.height);
  format.fmt.pix.pixelformat = device_formats_[index];
  format.fmt.pix.field = V4L2_FIELD_NONE;
  if (Control(fd_, VIDIOC_S_FMT, &format) != 0 ||
      format.fmt.pix.width != static_cast<std::uint32_t>(started_.width) ||
      format.fmt.pix.height != static_cast<std::uint32_t>(started_.height) ||
      format.fmt.pix.pixelformat != device_formats_[index]) {
    return false;  // the device would deliver something the connection did not agree
  }
  bytes_per_line_ = format.fmt.pix.bytesperline;

  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (Control(fd_, VIDIOC_REQBUFS, &request) != 0 || request.count == 0) return false;
  for (unsigned i = 0; i < request.count; ++i) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = i;
    if (Control(fd_, VIDIOC_QUERYBUF, &buffer) != 0) break;
    void* address = mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                         buffer.m.offset);
    if (address == MAP_FAILED) break;
    buffers_.push_back({address, buffer.length});
    if (Control(fd_, VIDIOC_QBUF, &buffer) != 0) break;
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (buffers_.size() != request.count || Control(fd_, VIDIOC_STREAMON, &type) != 0) {
    ReleaseBuffers();
    return false;
  }
  streaming_ = true;
  return true;
}

FrameResult V4l2Camera::ReadFrame(BYTE* frame, std::size_t bytes) {
  if (!streaming_ || frame == nullptr || bytes < FrameBytes(started_)) return FrameResult::kFailed;
  pollfd waiting{fd_, POLLIN, 0};
  const int ready = poll(&waiting, 1, kWaitMilliseconds);
  if (ready == 0 || (ready < 0 && errno == EINTR)) return FrameResult::kNoFrame;
  if (ready < 0 || (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    return FrameResult::kFailed;
  }
  v4l2_buffer buffer{};
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  if (Control(fd_, VIDIOC_DQBUF, &buffer) != 0) {
    return errno == EAGAIN ? FrameResult::kNoFrame : FrameResult::kFailed;
  }
  bool copied = false;
  if (buffer.index < buffers_.size() && (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0) {
    const Mapping& mapped = buffers_[buffer.index];
    const std::size_t used = std::min<std::size_t>(buffer.bytesused, mapped.length);
    const auto* device = static_cast<const std::uint8_t*>(mapped.address);
    copied = mapping_.jpeg
                 ? jpeg_.Decode(device, used, started_.width, started_.height, frame)
                 : CopyDeviceFrame(started_, mapping_, bytes_per_line_, device, used, frame);
  }
  if (Control(fd_, VIDIOC_QBUF, &buffer) != 0) return FrameResult::kFailed;
  // A damaged or short buffer, or a JPEG frame that does not decode whole, is
  // skipped, not sent as a frame.
  return copied ? FrameResult::kFrame : FrameResult::kNoFrame;
}

void V4l2Camera::Stop() {
  if (streaming_) {
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Control(fd_, VIDIOC_STREAMOFF, &type);
    streaming_ = false;
  }
  ReleaseBuffers();
}

void V4l2Camera::ReleaseBuffers() {
  for (const Mapping& mapped : buffers_) munmap(mapped.address, mapped.length);
  buffers_.clear();
  // Harmless when nothing was requested; frees what a failed start left behind.
  v4l2_requestbuffers none{};
  none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  none.memory = V4L2_MEMORY_MMAP;
  Control(fd_, VIDIOC_REQBUFS, &none);
}

}  // namespace orlin::phone::cameras
