#include "bench/view_latency/stamped_sender.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "bench/end_to_end/frame_stamp.h"
#include "wire/four_cc.h"
#include "phone/cameras/y4m_camera.h"

namespace orlin::bench {
namespace {

// YV12 (Y, V, U) to I420 (Y, U, V).
std::vector<BYTE> I420FromYv12(const std::vector<BYTE>& yv12, int width, int height) {
  const std::size_t luma = std::size_t(width) * std::size_t(height), chroma = luma / 4;
  std::vector<BYTE> out(yv12.begin(), yv12.begin() + std::ptrdiff_t(luma));
  out.insert(out.end(), yv12.begin() + std::ptrdiff_t(luma + chroma), yv12.end());
  out.insert(out.end(), yv12.begin() + std::ptrdiff_t(luma),
             yv12.begin() + std::ptrdiff_t(luma + chroma));
  return out;
}

}  // namespace

StampedSender::StampedSender(const std::string& data_dir, int width, int height, int level)
    : width_(width), height_(height), raw_(level < 0) {
  if (!LoadFrames(data_dir)) return;
  sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender_.SetCodecRequest(raw_ ? 0 : 1, 0, raw_ ? 0 : level);
  AM_MEDIA_TYPE type{};
  VIDEOINFOHEADER info{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_YV12;
  type.subtype.Data1 = raw_ ? wire::kFourCC_I420 : wire::kFourCC_YV12;
  type.lSampleSize = ULONG(frames_[0].size());
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  if (sender_.InputPin()->ReceiveConnection(nullptr, &type) != S_OK ||
      sender_.OpenNetwork() != S_OK || sender_.Compression() != (raw_ ? 0 : 1)) {
    return;
  }
  chunks_ = raw_ ? std::size_t(sender_.ChunkCount()) : 1;
  chunk_bytes_ = raw_ ? std::size_t(sender_.ChunkSize()) : 0;
  sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input_));
}

StampedSender::~StampedSender() {
  if (input_ != nullptr) input_->Release();
  sender_.CloseNetwork();
}

// The pan at 320 x 240 as the phone's Y4M camera plays it; the stills at the
// other sizes.
bool StampedSender::LoadFrames(const std::string& data_dir) {
  const std::size_t bytes = std::size_t(width_) * std::size_t(height_) * 3 / 2;
  if (width_ == 320 && height_ == 240) {
    std::string error;
    auto camera = phone::cameras::Y4mCamera::Open(data_dir + "/pan_forest_320x240_30f.y4m", &error);
    if (camera == nullptr || !camera->Start(0)) return false;
    for (int i = 0; i < 30; ++i) {
      std::vector<BYTE> frame(bytes);
      if (camera->ReadFrame(frame.data(), bytes) != phone::cameras::FrameResult::kFrame)
        return false;
      frames_.push_back(std::move(frame));
    }
    source_ = "pan_forest (30 frames)";
  } else {
    for (const char* picture : {"astronaut", "coffee", "cups"}) {
      std::ifstream file(data_dir + "/" + picture + "_" + std::to_string(width_) + "x" +
                             std::to_string(height_) + ".yv12",
                         std::ios::binary);
      std::vector<BYTE> frame{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
      if (frame.size() != bytes) return false;
      frames_.push_back(std::move(frame));
    }
    source_ = "astronaut, coffee, cups";
  }
  if (raw_) {
    for (auto& frame : frames_) frame = I420FromYv12(frame, width_, height_);
  }
  return true;
}

double StampedSender::BytesPerFrame() const {
  return sender_.FramesSent() == 0 ? 0 : double(sender_.BytesSent()) / double(sender_.FramesSent());
}

std::chrono::steady_clock::time_point StampedSender::Send(
    std::uint32_t number, std::chrono::steady_clock::duration* took) {
  std::vector<BYTE>& frame = frames_[number % frames_.size()];
  StampFrameNumber(frame.data(), width_, number);
  if (raw_) StampChunks(frame.data(), chunks_, chunk_bytes_, number);
  sample_.Attach(frame.data(), LONG(frame.size()));
  const auto handed = std::chrono::steady_clock::now();
  input_->Receive(&sample_);
  *took = std::chrono::steady_clock::now() - handed;
  return handed;
}

}  // namespace orlin::bench
