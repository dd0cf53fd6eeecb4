// Detect: what an announcement sent over loopback fills the dialog's controls
// with.
#include <gtest/gtest.h>

#include "setup/detect.h"
#include "tests/setup/announcer.h"
#include "wire/four_cc.h"

namespace orlin::setup {
namespace {

WideText W(const char* text) { return Widen(text); }

TEST(Detect, FillsTheControlsWithTheSettingsThatReceiveTheAnnouncedStream) {
  struct Case {
    wire::Announcement announced;
    SetupEntries shown;
  };
  const Case cases[] = {
      // Compressed YV12 is taken as IYUV with the planes exchanged back.
      // The phone's address, where the announcement came from, is proposed as the sender.
      {PhoneAnnouncement(wire::kFourCC_YV12, 12, true),
       {W("IYUV"), W("320"), W("240"), 3, true, false, true, W("127.0.0.1")}},
      {PhoneAnnouncement(wire::kFourCC_YUY2, 16, false),
       {W("YUY2"), W("320"), W("240"), 4, false, false, false, W("127.0.0.1")}},
      // Bits the list lacks select nothing, not the entry their digits begin (24).
      {PhoneAnnouncement(wire::kFourCC_YUY2, 2, false),
       {W("YUY2"), W("320"), W("240"), -1, false, false, false, W("127.0.0.1")}},
  };
  for (const Case& c : cases) {
    const std::uint16_t port = FreeAnnouncementPort();
    const Announcer announcer(port, c.announced);
    const Detection detection = DetectSettings(port, 10000);
    EXPECT_TRUE(detection.failure.empty()) << Narrow(detection.failure);
    ASSERT_TRUE(detection.settings) << c.announced.bitsPerPixel;
    EXPECT_EQ(DetectedEntries(*detection.settings, detection.sender), c.shown)
        << c.announced.bitsPerPixel;
  }
}

}  // namespace
}  // namespace orlin::setup
