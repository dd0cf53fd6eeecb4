// The shell's pieces that stand without a capture: the edit box, the number a
// dialog reads from it, the format line, the live line and the headless
// summary, the command line and the one-instance lock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "phone/shell/edit_box.h"
#include "phone/shell/headless.h"
#include "phone/shell/live_status.h"
#include "phone/shell/options.h"
#include "phone/shell/shell_text.h"
#include "phone/shell/single_instance.h"

namespace orlin::phone::shell {
namespace {

TEST(ShellEditBox, NumberModeRefusesAnythingButDigits) {
  EditBox box(4, true);
  EXPECT_FALSE(box.Type('a'));
  EXPECT_FALSE(box.Type('-'));
  EXPECT_TRUE(box.Type('7'));
  EXPECT_EQ(box.Text(), "7");
}

TEST(ShellEditBox, TypingReplacesTheSelectionAndBackEmptiesItFirst) {
  EditBox box(31, false);
  box.SetText("old.example");
  box.SelectAll();
  EXPECT_TRUE(box.Type('x'));
  EXPECT_EQ(box.Text(), "x");
  box.SetText("abc");
  box.SelectAll();
  box.Back();
  EXPECT_EQ(box.Text(), "");
  box.Back();  // nothing left to delete is no fault
  EXPECT_EQ(box.Text(), "");
}

TEST(ShellEditBox, ControlCharactersAreNotText) {
  EditBox box(31, false);
  EXPECT_FALSE(box.Type('\t'));
  EXPECT_FALSE(box.Type(static_cast<char>(0x7F)));
  EXPECT_EQ(box.Text(), "");
}

TEST(ShellEditBox, ReadUnsignedGivesZeroForWhatIsNoNumber) {
  EXPECT_EQ(ReadUnsigned("3"), 3u);
  EXPECT_EQ(ReadUnsigned("0009"), 9u);
  EXPECT_EQ(ReadUnsigned("4294967295"), 4294967295u);
  EXPECT_EQ(ReadUnsigned("4294967296"), 0u);
  EXPECT_EQ(ReadUnsigned("99999999999999999999999"), 0u);
  EXPECT_EQ(ReadUnsigned(""), 0u);
  EXPECT_EQ(ReadUnsigned("1a"), 0u);
}

TEST(ShellText, FormatLineShowsCodeLowestByteFirstAndMasksUnprintableBytes) {
  EXPECT_EQ(FormatLine({0x32315659, 176, 144}), "YV12  176 x 144");
  EXPECT_EQ(FormatLine({0xe436eb7b, 65535, 1}), "{?6?  65535 x 1");
  EXPECT_EQ(Narrow(WideText{u'a', u'\u00e9', u'\n'}), "a??");
}

TEST(ShellText, LiveLineMeasuresTheLastSecondAndBeginsAfreshForANewSender) {
  using std::chrono::milliseconds;
  const auto t0 = std::chrono::steady_clock::time_point{};
  LiveStatus live;
  live.Update({100, 1000000, 0}, t0);  // counts from before are not a rate
  EXPECT_EQ(live.Line(), "Sent: 0 frames/s, 0 bytes/frame");
  live.Update({115, 1150000, 0}, t0 + milliseconds(500));  // too soon to measure
  EXPECT_EQ(live.Line(), "Sent: 0 frames/s, 0 bytes/frame");
  live.Update({130, 1300000 + 30 * 65507, 1}, t0 + milliseconds(1000));
  EXPECT_EQ(live.Line(), "Sent: 30 frames/s, 75507 bytes/frame, 1 in pieces");
  EXPECT_TRUE(live.InPieces());
  live.Update({160, 1300000 + 60 * 65507, 1}, t0 + milliseconds(2000));
  EXPECT_FALSE(live.InPieces()) << "no frame went out in pieces within the last second";
  EXPECT_EQ(live.Line(), "Sent: 30 frames/s, 65507 bytes/frame, 1 in pieces");
  live.Update({3, 300, 0}, t0 + milliseconds(2100));
  EXPECT_EQ(live.Line(), "Sent: 0 frames/s, 0 bytes/frame");
}

TEST(ShellText, SummaryKeepsItsWordsAndAppendsFailedThenFramesInPieces) {
  HeadlessSummary s;
  s.frames = 150;
  s.bytes = 1500000;
  s.seconds = 5;
  s.address = "127.0.0.1";
  s.format = "YV12  640 x 480";
  s.compressed = true;
  const std::string line =
      "sent 150 frames, 1500000 bytes in 5.00 s (30.0 frames/s, 10000 bytes/frame) to 127.0.0.1, "
      "YV12  640 x 480 compressed";
  EXPECT_EQ(SummaryLine(s), line);
  s.failed = 2;
  s.pieces = 1;
  EXPECT_EQ(SummaryLine(s), line + "; 2 frames failed to send; 1 frame in pieces");
}

std::vector<const char*> Args(std::initializer_list<const char*> args) { return {args}; }

TEST(ShellOptions, CameraNeedsAName) {
  auto args = Args({"orlin-phone", "--camera"});
  EXPECT_FALSE(ParseOptions(static_cast<int>(args.size()), args.data()).error.empty());
  args = Args({"orlin-phone", "--camera="});
  EXPECT_FALSE(ParseOptions(static_cast<int>(args.size()), args.data()).error.empty());
  args = Args({"orlin-phone", "--camera", "/dev/video2", "--headless"});
  const Options options = ParseOptions(static_cast<int>(args.size()), args.data());
  EXPECT_TRUE(options.error.empty());
  EXPECT_EQ(options.camera, "/dev/video2");
  EXPECT_TRUE(options.headless);
}

TEST(ShellOptions, PaceTakesMillisecondsUpToASecond) {
  for (auto args : {Args({"orlin-phone", "--pace"}), Args({"orlin-phone", "--pace", "1001"}),
                    Args({"orlin-phone", "--pace=16ms"}), Args({"orlin-phone", "--pace", "-1"})}) {
    EXPECT_FALSE(ParseOptions(static_cast<int>(args.size()), args.data()).error.empty()) << args.back();
  }
  auto args = Args({"orlin-phone", "--pace", "16"});
  EXPECT_EQ(ParseOptions(static_cast<int>(args.size()), args.data()).pace_ms, 16);
  args = Args({"orlin-phone", "--pace=1000"});
  EXPECT_EQ(ParseOptions(static_cast<int>(args.size()), args.data()).pace_ms, 1000);
  args = Args({"orlin-phone"});
  EXPECT_EQ(ParseOptions(static_cast<int>(args.size()), args.data()).pace_ms, 0);
}

TEST(ShellOptions, UnknownOptionIsAnError) {
  auto args = Args({"orlin-phone", "--headles"});
  EXPECT_NE(ParseOptions(static_cast<int>(args.size()), args.data()).error.find("--headles"),
            std::string::npos);
}

TEST(ShellSingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
  const std::string path = ::testing::TempDir() + "phone-lock-" + std::to_string(::getpid());
  std::string error;
  {
    SingleInstance first(path);
    ASSERT_TRUE(first.Acquire(&error)) << error;
    SingleInstance second(path);
    EXPECT_FALSE(second.Acquire(&error));
    EXPECT_NE(error.find("already running"), std::string::npos) << error;
  }
  SingleInstance third(path);
  EXPECT_TRUE(third.Acquire(&error)) << error;
  std::remove(path.c_str());
}

TEST(ShellSingleInstance, UnusableLockPathIsReportedNotRunning) {
  SingleInstance lock("/nonexistent-dir/orlin-phone.lock");
  std::string error;
  EXPECT_FALSE(lock.Acquire(&error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

}  // namespace
}  // namespace orlin::phone::shell
