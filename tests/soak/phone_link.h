// The phone's end of a soak: the real FrameSender, connected as the phone's
// camera connects it and sending to 127.0.0.1 (the stream port, or a relay's),
// one frame per Send.
#pragma once

#include <cstdint>
#include <vector>

#include "phone/frame_sender.h"
#include "wire/stream.h"

namespace orlin::soak {

class PhoneLink {
 public:
  // A camera delivering `fourCC` frames of width x height (sampleBytes each);
  // compression as requested at `level`.
  PhoneLink(std::uint32_t fourCC, int width, int height, std::int32_t sampleBytes, bool compression,
            int level, std::uint16_t port = wire::kStreamPort);
  ~PhoneLink();
  PhoneLink(const PhoneLink&) = delete;
  PhoneLink& operator=(const PhoneLink&) = delete;

  bool Ready() const { return input_ != nullptr; }
  phone::FrameSender& Sender() { return sender_; }
  // Hands the sender one camera frame; it may tag it in place.
  void Send(std::vector<std::uint8_t>& frame);

 private:
  phone::FrameSender sender_;
  IMemInputPin* input_ = nullptr;
};

}  // namespace orlin::soak
