// The setup dialog's entries: what it shows for stored settings, what it
// collects from the fields, its range checks, the message texts, and which
// formats it warns cannot stream.
#include <gtest/gtest.h>

#include <string>

#include "settings/stream_form.h"
#include "setup/setup_entries.h"
#include "setup/stream_check.h"
#include "wire/four_cc.h"

namespace orlin::setup {
namespace {

using wire::MakeFourCC;

WideText W(const char* text) {
  return Widen(text);
}

TEST(SetupEntries, ListEntryIsChosenByTheDigitsItBeginsWith) {
  const struct {
    std::uint32_t stored;
    int selected;
  } cases[] = {{1, 0},  {12, 3}, {32, 6},   {2, 5},           {3, 6},
               {5, -1}, {0, -1}, {120, -1}, {0xFFFFFFFFu, -1}};
  for (const auto& c : cases) EXPECT_EQ(SelectBitsPerPixel(c.stored), c.selected) << c.stored;
}

TEST(SetupEntries, FourCCShowsItsCharactersUpToTheFirstZeroByte) {
  EXPECT_EQ(FourCCText(wire::kFourCC_IYUV), W("IYUV"));
  EXPECT_EQ(FourCCText(MakeFourCC('Y', 'V', 0, 0)), W("YV"));
  EXPECT_EQ(FourCCText(MakeFourCC('Y', 0, 'V', '1')), W("Y"));
  EXPECT_EQ(FourCCText(0), W(""));
  // A byte typed as a Latin-1 letter comes back as that letter.
  EXPECT_EQ(FourCCText(MakeFourCC('\xC4', 'B', 'C', 'D')), WideText({WCHAR(0xC4), 'B', 'C', 'D'}));
}

TEST(SetupEntries, StoredSettingsShowAsTheDialogShowsThem) {
  const SetupEntries entries = EntriesFor({MakeFourCC('Y', 'V', '1', '2'), 320, 240, 2, 0, 1, 1});
  EXPECT_EQ(entries.fourCC, W("YV12"));
  EXPECT_EQ(entries.width, W("320"));
  EXPECT_EQ(entries.height, W("240"));
  EXPECT_EQ(entries.bitsPerPixel, 5);  // "24"
  EXPECT_FALSE(entries.compression);
  EXPECT_TRUE(entries.pixelCorrection);
  EXPECT_TRUE(entries.swapUV);
  // A stored number longer than the field shows whole, and is refused.
  const SetupEntries wide = EntriesFor({0, 100000, 144, 12, 1, 0, 0});
  EXPECT_EQ(wide.width, W("100000"));
  EXPECT_FALSE(SettingsValid(CollectSettings(wide)));
}

TEST(SetupEntries, FieldsAreReadAsTheirDigitsOrZero) {
  EXPECT_EQ(ReadNumber(W("176")), 176u);
  EXPECT_EQ(ReadNumber(W("0176")), 176u);
  EXPECT_EQ(ReadNumber(W("")), 0u);
  EXPECT_EQ(ReadNumber(W("17a")), 0u);
  EXPECT_EQ(ReadNumber(W(" 17")), 0u);
  EXPECT_EQ(ReadNumber(W("4294967295")), 0xFFFFFFFFu);
  EXPECT_EQ(ReadNumber(W("4294967296")), 0u);
}

TEST(SetupEntries, FourCCIsTheLowBytesOfUpToFourCharactersWithZerosAfter) {
  SetupEntries entries{W("YV12"), W("176"), W("144"), 3, true, false, true};
  EXPECT_EQ(CollectSettings(entries),
            (VideoFormatSettings{MakeFourCC('Y', 'V', '1', '2'), 176, 144, 12, 1, 0, 1}));
  entries.fourCC = W("YV");
  EXPECT_EQ(CollectSettings(entries).FourCC, MakeFourCC('Y', 'V', 0, 0));
  entries.fourCC = W("");
  EXPECT_EQ(CollectSettings(entries).FourCC, 0u);
  entries.fourCC = WideText({WCHAR(0x0141), 'A', 'B', 'C', 'D'});  // U+0141 keeps its low byte 0x41
  EXPECT_EQ(CollectSettings(entries).FourCC, MakeFourCC('A', 'A', 'B', 'C'));
  entries.bitsPerPixel = -1;
  EXPECT_EQ(CollectSettings(entries).BitsPerPixel, kNoBitsPerPixel);
}

TEST(SetupEntries, WidthHeightAndBitsPerPixelMustBeInRange) {
  const VideoFormatSettings good{0, 176, 144, 12, 1, 0, 0};
  EXPECT_TRUE(SettingsValid(good));
  for (const std::uint32_t width : {1u, 4096u}) {
    VideoFormatSettings s = good;
    s.Width = width;
    s.Height = width;
    EXPECT_TRUE(SettingsValid(s)) << width;
  }
  for (const std::uint32_t bad : {0u, 4097u, 0xFFFFFFFFu}) {
    VideoFormatSettings s = good;
    s.Width = bad;
    EXPECT_FALSE(SettingsValid(s)) << "width " << bad;
    s = good;
    s.Height = bad;
    EXPECT_FALSE(SettingsValid(s)) << "height " << bad;
  }
  VideoFormatSettings none = good;
  none.BitsPerPixel = kNoBitsPerPixel;
  EXPECT_FALSE(SettingsValid(none));
}

TEST(SetupText, PercentOneAndTwoAreReplacedAndEveryOtherPercentStays) {
  const WideText a = W("Orlin.dll");
  const WideText b = W("0x0000007e");
  EXPECT_EQ(ExpandText(W("%1 (%2) %1"), a, b), W("Orlin.dll (0x0000007e) Orlin.dll"));
  EXPECT_EQ(ExpandText(W("100%% %3 %"), a, b), W("100%% %3 %"));
  EXPECT_EQ(ExpandText(W("%%1"), a, b), W("%Orlin.dll"));
  EXPECT_EQ(ExpandText(W("%"), a, b), W("%"));
  EXPECT_EQ(ExpandText(W(""), a, b), W(""));
}

TEST(SetupText, ExpansionIsCutToTheMessageBuffer) {
  const WideText longName(600, 'n');
  const WideText text = ExpandText(W("%1 and %1"), longName, {});
  EXPECT_EQ(text.size(), kMessageChars - 1);
  EXPECT_EQ(text.substr(0, 605), longName + W(" and "));
}

TEST(SetupText, StringTableHasSixTexts) {
  EXPECT_EQ(BuiltInString(1), W("OrlinSetup"));
  for (unsigned id = 2; id <= 6; ++id) EXPECT_FALSE(BuiltInString(id).empty()) << id;
  EXPECT_TRUE(BuiltInString(7).empty());
  // Line breaks are single line feeds.
  EXPECT_NE(BuiltInString(4).find(W("'.\nGetLastError returns %2.")), WideText::npos);
  EXPECT_NE(BuiltInString(5).find(W("not found.\n\n%2 may not")), WideText::npos);
}

// Raw frames too large for counted chunks go out in pieces: nothing to warn
// about, but the line says that the phone must send them.
TEST(StreamCheck, RawFramesOfAnySizeStreamAndOnlyLessThanAByteIsWarnedAbout) {
  const auto raw = [](std::uint32_t w, std::uint32_t h, std::uint32_t bits) {
    return VideoFormatSettings{wire::kFourCC_YV12, w, h, bits, 0, 0, 0};
  };
  for (const VideoFormatSettings& s : {raw(640, 480, 12), raw(1920, 1080, 16), raw(4096, 4096, 32)}) {
    EXPECT_TRUE(StreamWarning(s).empty()) << Narrow(StreamWarning(s));
  }
  const WideText empty = StreamWarning(raw(1, 1, 4));
  EXPECT_NE(empty.find(W("less than one byte. The camera would refuse to start.")), WideText::npos)
      << Narrow(empty);
}

TEST(StreamCheck, LargeFramesLineSaysWhetherFramesGoOutInPieces) {
  const VideoFormatSettings hd{wire::kFourCC_YUY2, 1920, 1080, 16, 0, 0, 0};
  EXPECT_EQ(LargeFramesLine(hd), W("Frames go in pieces: the phone must send large frames."));
  const VideoFormatSettings vga{wire::kFourCC_IYUV, 640, 480, 12, 1, 0, 1};
  EXPECT_EQ(LargeFramesLine(vga), W("Frames may go in pieces: the phone must send large frames."));
  EXPECT_EQ(LargeFramesLine(vga, 3), W("Frames go in pieces: the phone must send large frames."));
  EXPECT_TRUE(LargeFramesLine(VideoFormatSettings{wire::kFourCC_YV12, 640, 480, 12, 0, 0, 0}).empty());
  // The dialog's line follows the entries, and says nothing while they cannot be saved.
  EXPECT_EQ(LargeFramesLine(SetupEntries{W("YUY2"), W("1920"), W("1080"), 4, false, false, false}),
            LargeFramesLine(hd));
  EXPECT_TRUE(LargeFramesLine(SetupEntries{W("YUY2"), W("1920"), W("1080"), -1, false, false, false}).empty());
}

TEST(StreamCheck, OnlyCompressionWithIyuvSendsCompressedFrames) {
  const VideoFormatSettings large{wire::kFourCC_IYUV, 1024, 1024, 12, 1, 0, 0};
  EXPECT_TRUE(StreamWarning(large).empty());
  // Too wide for the codec: the phone sends them raw, in its own FourCC.
  VideoFormatSettings wide = large;
  wide.Width = 2052;
  EXPECT_NE(StreamWarning(wide).find(W("at most 2051 pixels wide")), WideText::npos)
      << Narrow(StreamWarning(wide));
  wide.Width = 2051;
  EXPECT_TRUE(StreamWarning(wide).empty());
}

// The filter refuses compressed frames that a sample of fewer than 12 bits per
// pixel cannot hold; the setup warns by the same rule.
TEST(StreamCheck, EveryFormatTheFilterRefusesIsWarnedAbout) {
  for (const std::uint32_t bits : kBitsPerPixelChoices) {
    const VideoFormatSettings compressed{wire::kFourCC_IYUV, 176, 144, bits, 1, 0, 0};
    const WideText warning = StreamWarning(compressed);
    EXPECT_EQ(warning.empty(), bits >= 12) << bits << ": " << Narrow(warning);
    if (bits < 12) {
      const std::string format = "176 x 144 at " + std::to_string(bits) + " bits per pixel";
      EXPECT_NE(warning.find(W((format + " cannot hold").c_str())), WideText::npos)
          << Narrow(warning);
    }
  }
  for (const std::uint32_t fourCC : {wire::kFourCC_IYUV, wire::kFourCC_YV12}) {
    for (const std::uint32_t compression : {0u, 1u}) {
      for (const std::uint32_t bits : kBitsPerPixelChoices) {
        for (const std::uint32_t size : {1u, 2u, 3u, 4u, 7u, 176u, 1024u}) {
          const VideoFormatSettings s{fourCC, size, size, bits, compression, 0, 0};
          if (!settings::RefusedFormat(s)) continue;
          EXPECT_FALSE(StreamWarning(s).empty())
              << Narrow(FourCCText(fourCC)) << " " << size << " at " << bits << ", " << compression;
        }
      }
    }
  }
}

}  // namespace
}  // namespace orlin::setup
