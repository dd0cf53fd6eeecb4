// The status card: drawn in each format the filter streams, read back the way
// that format's reader would, never past the picture, and nowhere else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/status_card.h"
#include "settings/stream_form.h"
#include "wire/four_cc.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;
using wire::MakeFourCC;

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint8_t kUnwritten = 0xA5;
constexpr std::size_t kGuard = 4096;  // more than a row of any picture here
constexpr WCHAR kTitle[] = ORLIN_TEXT("Orlin Camera");
constexpr WCHAR kWaiting[] = ORLIN_TEXT("Waiting for the phone on UDP port 4444");

struct Rgb {
  int r, g, b;
  bool Dark() const { return std::max({r, g, b}) < 64; }
  bool Light() const { return std::min({r, g, b}) > 140; }
  bool Bluish() const { return b > r + 8; }
};

VideoFormatSettings Format(std::uint32_t fourCC, std::uint32_t width, std::uint32_t height,
                           std::uint32_t bits) {
  return {fourCC, width, height, bits, 0, 0, 0};
}

int Clamp(int v) {
  return std::clamp(v, 0, 255);
}

// BT.601, studio range.
Rgb FromYuv(int y, int u, int v) {
  const int c = 298 * (y - 16), d = u - 128, e = v - 128;
  return {Clamp((c + 409 * e + 128) >> 8), Clamp((c - 100 * d - 208 * e + 128) >> 8),
          Clamp((c + 516 * d + 128) >> 8)};
}

// Pixel (x, y), top row 0, as a reader of the format finds it.
Rgb PixelAt(const VideoFormatSettings& f, const Bytes& s, int x, int y) {
  const std::size_t w = f.Width, h = f.Height, row = std::size_t(y), col = std::size_t(x);
  switch (f.FourCC) {
    case kRgb: {
      const std::size_t stride = (w * f.BitsPerPixel + 31) / 32 * 4;
      const std::uint8_t* p = &s[(h - 1 - row) * stride + col * f.BitsPerPixel / 8];
      if (f.BitsPerPixel == 16) {
        const int word = p[0] | p[1] << 8;
        return {(word >> 10 & 31) << 3, (word >> 5 & 31) << 3, (word & 31) << 3};
      }
      return {p[2], p[1], p[0]};
    }
    case wire::kFourCC_YUY2:
    case MakeFourCC('U', 'Y', 'V', 'Y'): {
      // An odd last column takes the chroma of the pair before it.
      const std::size_t pair = std::min(col & ~std::size_t(1), (w - 2) & ~std::size_t(1));
      const std::uint8_t* line = &s[row * 2 * w];
      const std::size_t luma = f.FourCC == wire::kFourCC_YUY2 ? 0 : 1;
      return FromYuv(line[2 * col + luma], line[2 * pair + 1 - luma], line[2 * pair + 3 - luma]);
    }
    default: {
      // An odd last row or column takes the chroma of the one before it.
      const std::size_t c = std::min(row / 2, h / 2 - 1) * (w / 2) + std::min(col / 2, w / 2 - 1);
      const std::uint8_t first = s[w * h + c], second = s[w * h + w * h / 4 + c];
      const bool vFirst = f.FourCC == wire::kFourCC_YV12;
      return FromYuv(s[row * w + col], vFirst ? second : first, vFirst ? first : second);
    }
  }
}

// A sample of the format's size with guard bytes after it, all unwritten.
Bytes SampleFor(const VideoFormatSettings& f) {
  return Bytes(std::size_t(settings::SampleSizeOf(f)) + kGuard, kUnwritten);
}

bool Draw(const VideoFormatSettings& f, Bytes& sample, const WCHAR* text) {
  return DrawStatusCard(f, sample.data(), std::int64_t(sample.size() - kGuard), kTitle, text);
}

std::string Name(const VideoFormatSettings& f) {
  const std::string fourCC = f.FourCC == kRgb
                                 ? std::string("RGB")
                                 : std::string(reinterpret_cast<const char*>(&f.FourCC), 4);
  return fourCC + " " + std::to_string(f.Width) + "x" + std::to_string(f.Height) + " at " +
         std::to_string(f.BitsPerPixel);
}

// The card as its format's reader sees it, top row first; checks that
// nothing was written before or after the picture.
std::vector<Rgb> DrawnCard(const VideoFormatSettings& f) {
  SCOPED_TRACE(Name(f));
  EXPECT_TRUE(CanDrawStatusCard(f));
  const std::size_t size = std::size_t(settings::SampleSizeOf(f));
  Bytes guarded(kGuard + size + kGuard, kUnwritten);
  EXPECT_TRUE(DrawStatusCard(f, guarded.data() + kGuard, std::int64_t(size), kTitle, kWaiting));
  const auto unwritten = [](std::uint8_t b) { return b == kUnwritten; };
  EXPECT_TRUE(std::all_of(guarded.begin(), guarded.begin() + kGuard, unwritten));
  EXPECT_TRUE(std::all_of(guarded.end() - kGuard, guarded.end(), unwritten));
  const Bytes sample(guarded.begin() + kGuard, guarded.end());
  std::vector<Rgb> card;
  for (int y = 0; y < int(f.Height); ++y) {
    for (int x = 0; x < int(f.Width); ++x) card.push_back(PixelAt(f, sample, x, y));
  }
  return card;
}

// Planar I420 is the reference, its rows top first by definition: a dark,
// blue-tinted card with light text. Every other format must show the same
// picture, within what 5 bits of a colour keep.
TEST(StatusCard, SameDarkCardWithLightTextInEveryFormat) {
  const VideoFormatSettings formats[] = {
      Format(wire::kFourCC_IYUV, 176, 144, 12), Format(wire::kFourCC_YV12, 176, 144, 12),
      Format(wire::kFourCC_YUY2, 176, 144, 16),
      Format(MakeFourCC('U', 'Y', 'V', 'Y'), 176, 144, 16), Format(kRgb, 176, 144, 16),
      Format(kRgb, 176, 144, 24), Format(kRgb, 176, 144, 32),
      // Odd sizes, and one large enough for scaled glyphs.
      Format(wire::kFourCC_YV12, 175, 143, 12), Format(wire::kFourCC_YUY2, 175, 143, 16),
      Format(kRgb, 175, 143, 32), Format(kRgb, 640, 480, 24)};
  for (const VideoFormatSettings& f : formats) {
    SCOPED_TRACE(Name(f));
    const int w = int(f.Width), h = int(f.Height);
    const std::vector<Rgb> reference = DrawnCard(Format(wire::kFourCC_I420, f.Width, f.Height, 12));
    for (const std::size_t corner : {0, w - 1, (h - 1) * w, h * w - 1}) {
      EXPECT_TRUE(reference[corner].Dark() && reference[corner].Bluish());
    }
    EXPECT_GT(std::count_if(reference.begin(), reference.end(), [](Rgb c) { return c.Light(); }),
              w * h / 100);
    const std::vector<Rgb> card = DrawnCard(f);
    for (std::size_t i = 0; i < card.size(); ++i) {
      const Rgb a = card[i], b = reference[i];
      ASSERT_LE(std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}), 8)
          << "pixel " << i % std::size_t(w) << "," << i / std::size_t(w);
    }
  }
}

TEST(StatusCard, PicturesTooSmallForTextWriteOnlyTheirOwnBytes) {
  for (const auto& [w, h] : {std::pair{1u, 1u}, {2u, 2u}, {3u, 5u}, {12u, 4u}, {40u, 9u}}) {
    for (const auto& [fourCC, bits] :
         {std::pair{wire::kFourCC_YV12, 12u}, {wire::kFourCC_YUY2, 16u}, {kRgb, 32u}}) {
      const VideoFormatSettings f = Format(fourCC, w, h, bits);
      SCOPED_TRACE(Name(f));
      DrawnCard(f);
    }
  }
}

Bytes QcifCard(const std::basic_string<WCHAR>& text) {
  const VideoFormatSettings f = Format(wire::kFourCC_I420, 176, 144, 12);
  Bytes sample = SampleFor(f);
  EXPECT_TRUE(Draw(f, sample, text.c_str()));
  return sample;
}

TEST(StatusCard, LongestDiagnosisFitsWholeAtTheSmallestPicture) {
  const std::basic_string<WCHAR> sentence = ORLIN_TEXT(
      "Compressed frames arrive but the PC expects raw I420 176x144 frames from the phone, while "
      "the phone sends YV12 320x240 frames compressed at reduction level 3: run orlin-setup ");
  const Bytes card = QcifCard(sentence + ORLIN_TEXT("--detect"));
  EXPECT_NE(card, QcifCard(sentence + ORLIN_TEXT("--DETECT"))) << "the last word is not drawn";
  // Nothing ran into the margins, off the right or the bottom.
  const VideoFormatSettings f = Format(wire::kFourCC_I420, 176, 144, 12);
  for (int y = 0; y < 144; ++y) {
    for (int x = 0; x < 176; ++x) {
      if (x >= 3 && x < 173 && y < 140) continue;
      ASSERT_FALSE(PixelAt(f, card, x, y).Light()) << x << "," << y;
    }
  }
}

TEST(StatusCard, WrapsBetweenWordsNotInsideThem) {
  // Two words of 20 letters never share a line 176 pixels wide.
  EXPECT_EQ(QcifCard(ORLIN_TEXT("abcdefghijklmnopqrst abcdefghijklmnopqrst")),
            QcifCard(ORLIN_TEXT("abcdefghijklmnopqrst\nabcdefghijklmnopqrst")));
}

TEST(StatusCard, WhatTheFontLacksShowsAsQuestionMarks) {
  EXPECT_EQ(QcifCard(ORLIN_TEXT("caf\u00e9 \U0001F4F7 \t")), QcifCard(ORLIN_TEXT("caf? ? ?")));
}

TEST(StatusCard, FormatsWithoutACardAndShortSamplesAreLeftUntouched) {
  const VideoFormatSettings none[] = {
      Format(wire::kFourCC_YV12, 176, 144, 8), Format(wire::kFourCC_YUY2, 176, 144, 12),
      Format(kRgb, 176, 144, 8), Format(MakeFourCC('N', 'V', '1', '2'), 176, 144, 12),
      Format(3, 176, 144, 32), Format(wire::kFourCC_I420, 0, 144, 12),
      // Padded to 4 bytes, these bitmap rows need more than the filter's sample.
      Format(kRgb, 175, 144, 24), Format(kRgb, 175, 144, 16)};
  for (const VideoFormatSettings& f : none) {
    SCOPED_TRACE(Name(f));
    EXPECT_FALSE(CanDrawStatusCard(f));
    Bytes sample(std::size_t(std::max(settings::SampleSizeOf(f), 1)), kUnwritten);
    EXPECT_FALSE(DrawStatusCard(f, sample.data(), std::int64_t(sample.size()), kTitle, kWaiting));
    EXPECT_TRUE(
        std::all_of(sample.begin(), sample.end(), [](std::uint8_t b) { return b == kUnwritten; }));
  }
  const VideoFormatSettings f = Format(wire::kFourCC_I420, 176, 144, 12);
  Bytes sample = SampleFor(f);
  EXPECT_FALSE(
      DrawStatusCard(f, sample.data(), std::int64_t(sample.size() - kGuard - 1), kTitle, kWaiting));
  EXPECT_FALSE(DrawStatusCard(f, nullptr, std::int64_t(sample.size()), kTitle, kWaiting));
  EXPECT_TRUE(
      std::all_of(sample.begin(), sample.end(), [](std::uint8_t b) { return b == kUnwritten; }));
}

}  // namespace
}  // namespace orlin::filter
