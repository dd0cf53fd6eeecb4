// The phone's end of the benchmark: camera test frames from tests/data, each
// with a frame number stamped into its luma, handed to the phone's own
// FrameSender, which sends them to 127.0.0.1:4444 raw (as I420) or compressed
// (YV12 at a reduction level).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "orlin/dshow.h"
#include "phone/cameras/frame_sample.h"
#include "phone/frame_sender.h"

namespace orlin::bench {

class StampedSender {
 public:
  // level < 0: raw. False from Ready() when the frames cannot be read or the
  // sender not connected.
  StampedSender(const std::string& data_dir, int width, int height, int level);
  StampedSender(const StampedSender&) = delete;
  StampedSender& operator=(const StampedSender&) = delete;
  ~StampedSender();

  bool Ready() const { return input_ != nullptr; }
  // What the frames are: "pan_forest (30 frames)" or "astronaut, coffee, cups".
  const std::string& Source() const { return source_; }
  std::size_t Chunks() const { return chunks_; }
  std::size_t ChunkBytes() const { return chunk_bytes_; }
  double BytesPerFrame() const;

  // Sends the next frame with `number` stamped in. Returns the time it was
  // handed to the sender; `took` is how long the sender kept it (coding and
  // every sendto).
  std::chrono::steady_clock::time_point Send(std::uint32_t number,
                                             std::chrono::steady_clock::duration* took);

 private:
  bool LoadFrames(const std::string& data_dir);

  int width_;
  int height_;
  bool raw_;
  std::string source_;
  std::vector<std::vector<BYTE>> frames_;
  phone::FrameSender sender_;
  phone::cameras::FrameSample sample_{sender_};
  IMemInputPin* input_ = nullptr;
  std::size_t chunks_ = 1;
  std::size_t chunk_bytes_ = 0;
};

}  // namespace orlin::bench
