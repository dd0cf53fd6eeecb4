#include "tests/soak/phone_link.h"

#include <gtest/gtest.h>

#include "tests/phone/support/camera_script.h"

namespace orlin::soak {

PhoneLink::PhoneLink(std::uint32_t fourCC, int width, int height, std::int32_t sampleBytes,
                     bool compression, int level, std::uint16_t port) {
  sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender_.SetDestinationPort(port);
  // The soaks' PC settings read the planes as the phone sends them, which an
  // announcement would rightly call a mismatch: they prove the stream alone.
  sender_.SetAnnouncementPort(0);
  sender_.SetCodecRequest(compression ? 1 : 0, 0, level);
  test::CameraScript camera;
  camera.OfferVideo(fourCC, width, height, sampleBytes);
  if (camera.ConnectTo(sender_.InputPin()) != S_OK || sender_.OpenNetwork() != S_OK) {
    ADD_FAILURE() << "the phone's sender did not start";
    return;
  }
  EXPECT_EQ(sender_.Compression(), compression ? 1 : 0);
  sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input_));
}

PhoneLink::~PhoneLink() {
  if (input_ != nullptr) input_->Release();
  sender_.CloseNetwork();
}

void PhoneLink::Send(std::vector<std::uint8_t>& frame) {
  test::TestSample sample(frame);
  EXPECT_EQ(input_->Receive(&sample), S_OK);
}

}  // namespace orlin::soak
