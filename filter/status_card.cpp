// The status card, drawn straight into the sample in the stream's own layout.
// All its colours share one chroma, a blue tint, and differ only in luma: the
// subsampled formats then draw text as crisply as RGB, with no colour fringes,
// and every format shows the same colours.
#include "filter/status_card.h"

#include <algorithm>
#include <cstring>

#include "filter/status_font.h"
#include "settings/stream_form.h"
#include "wire/four_cc.h"

namespace orlin::filter {
namespace {

using settings::VideoFormatSettings;

constexpr std::uint32_t kFourCC_UYVY = wire::MakeFourCC('U', 'Y', 'V', 'Y');
constexpr std::uint32_t kBiRgb = 0;

enum class Layout { kNone, kPlanarVU, kPlanarUV, kYUY2, kUYVY, kRgb555, kRgb24, kRgb32 };

// ---- Colours: BT.601, studio range ----

enum Shade { kBackground, kRule, kText, kTitle, kShades };

constexpr std::uint8_t kTintU = 136;
constexpr std::uint8_t kTintV = 124;
constexpr std::uint8_t kLuma[kShades] = {40, 96, 176, 220};

struct Bgr {
  std::uint8_t b, g, r;
};

constexpr std::uint8_t Clamp(int value) {
  return std::uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
}

constexpr Bgr RgbOf(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  const int c = 298 * (y - 16), d = u - 128, e = v - 128;
  return {Clamp((c + 516 * d + 128) >> 8), Clamp((c - 100 * d - 208 * e + 128) >> 8),
          Clamp((c + 409 * e + 128) >> 8)};
}

constexpr Bgr kRgb[kShades] = {RgbOf(kLuma[0], kTintU, kTintV), RgbOf(kLuma[1], kTintU, kTintV),
                               RgbOf(kLuma[2], kTintU, kTintV), RgbOf(kLuma[3], kTintU, kTintV)};

// ---- The picture in the sample ----

struct Picture {
  Layout layout = Layout::kNone;
  int width = 0;
  int height = 0;
  std::int64_t stride = 0;  // bytes a row: the luma plane's, the packed rows', the bitmap's
  std::int64_t bytes = 0;   // the whole picture, from the sample's start
};

Layout LayoutOf(const VideoFormatSettings& format) {
  const std::uint32_t bits = format.BitsPerPixel;
  switch (format.FourCC) {
    case wire::kFourCC_YV12:
      return bits >= 12 ? Layout::kPlanarVU : Layout::kNone;
    case wire::kFourCC_I420:
    case wire::kFourCC_IYUV:
      return bits >= 12 ? Layout::kPlanarUV : Layout::kNone;
    case wire::kFourCC_YUY2:
      return bits >= 16 ? Layout::kYUY2 : Layout::kNone;
    case kFourCC_UYVY:
      return bits >= 16 ? Layout::kUYVY : Layout::kNone;
    case kBiRgb:
      // A bitmap header of 16 bits and BI_RGB stands for 5-5-5.
      return bits == 16   ? Layout::kRgb555
             : bits == 24 ? Layout::kRgb24
             : bits == 32 ? Layout::kRgb32
                          : Layout::kNone;
    default:
      return Layout::kNone;
  }
}

// The planes as the filter lays them out (the chroma planes at w x h and
// w x h + (w x h) / 4, each (w / 2) x (h / 2)); bitmap rows padded to 4 bytes,
// as a bitmap's reader steps through them. None when the sample the filter
// fills is smaller than that.
Picture PictureOf(const VideoFormatSettings& format) {
  Picture picture;
  const std::int32_t sampleSize = settings::SampleSizeOf(format);
  const std::int32_t width = std::int32_t(format.Width), height = std::int32_t(format.Height);
  const Layout layout = LayoutOf(format);
  if (layout == Layout::kNone || sampleSize <= 0 || width <= 0 || height <= 0) return picture;
  const std::int64_t w = width, h = height;
  switch (layout) {
    case Layout::kPlanarVU:
    case Layout::kPlanarUV:
      picture.stride = w;
      picture.bytes = w * h + w * h / 4 + (w / 2) * (h / 2);
      break;
    case Layout::kYUY2:
    case Layout::kUYVY:
      picture.stride = 2 * w;
      picture.bytes = 2 * w * h;
      break;
    default:
      picture.stride = (w * format.BitsPerPixel + 31) / 32 * 4;
      picture.bytes = picture.stride * h;
      break;
  }
  if (picture.bytes > sampleSize) return Picture{};
  picture.layout = layout;
  picture.width = width;
  picture.height = height;
  return picture;
}

// ---- Surfaces: the background, and rectangles of one shade, per layout ----

class PlanarSurface {
 public:
  PlanarSurface(const Picture& picture, std::uint8_t* sample) : p_(picture), sample_(sample) {}
  void Clear() const {
    const std::int64_t luma = p_.stride * p_.height;
    const std::int64_t second = luma + luma / 4;
    const bool uFirst = p_.layout == Layout::kPlanarUV;
    std::memset(sample_, kLuma[kBackground], std::size_t(luma));
    std::memset(sample_ + luma, uFirst ? kTintU : kTintV, std::size_t(second - luma));
    std::memset(sample_ + second, uFirst ? kTintV : kTintU, std::size_t(p_.bytes - second));
  }
  void Fill(int x0, int y0, int x1, int y1, Shade shade) const {
    for (int y = y0; y < y1; ++y) {
      std::memset(sample_ + y * p_.stride + x0, kLuma[shade], std::size_t(x1 - x0));
    }
  }

 private:
  const Picture& p_;
  std::uint8_t* sample_;
};

// YUY2 is Y0 U Y1 V, UYVY is U Y0 V Y1: a pixel's luma and, after or before
// it, the U (even pixels) or V (odd pixels) it shares with its neighbour.
class PackedSurface {
 public:
  PackedSurface(const Picture& picture, std::uint8_t* sample)
      : p_(picture), sample_(sample), luma_(picture.layout == Layout::kYUY2 ? 0 : 1) {}
  void Clear() const {
    for (int y = 0; y < p_.height; ++y) {
      std::uint8_t* row = sample_ + y * p_.stride;
      for (int x = 0; x < p_.width; ++x) {
        row[2 * x + luma_] = kLuma[kBackground];
        row[2 * x + 1 - luma_] = x % 2 == 0 ? kTintU : kTintV;
      }
    }
  }
  void Fill(int x0, int y0, int x1, int y1, Shade shade) const {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* row = sample_ + y * p_.stride;
      for (int x = x0; x < x1; ++x) row[2 * x + luma_] = kLuma[shade];
    }
  }

 private:
  const Picture& p_;
  std::uint8_t* sample_;
  int luma_;
};

// Bottom-up rows of B, G, R (and a fourth byte, opaque), or of 16-bit
// little-endian 5-5-5 words.
class RgbSurface {
 public:
  RgbSurface(const Picture& picture, std::uint8_t* sample) : p_(picture), sample_(sample) {}
  void Clear() const {
    std::memset(sample_, 0, std::size_t(p_.bytes));  // row padding stays zero
    Fill(0, 0, p_.width, p_.height, kBackground);
  }
  void Fill(int x0, int y0, int x1, int y1, Shade shade) const {
    const Bgr c = kRgb[shade];
    const unsigned word = unsigned(c.r >> 3) << 10 | unsigned(c.g >> 3) << 5 | unsigned(c.b >> 3);
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* row = sample_ + (p_.height - 1 - y) * p_.stride;
      for (int x = x0; x < x1; ++x) {
        switch (p_.layout) {
          case Layout::kRgb555:
            row[2 * x] = std::uint8_t(word);
            row[2 * x + 1] = std::uint8_t(word >> 8);
            break;
          case Layout::kRgb24:
            row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
            break;
          default:
            row[4 * x] = c.b, row[4 * x + 1] = c.g, row[4 * x + 2] = c.r, row[4 * x + 3] = 0xFF;
            break;
        }
      }
    }
  }

 private:
  const Picture& p_;
  std::uint8_t* sample_;
};

// ---- Text: what the font draws, wrapped at spaces ----

// Longer texts are cut: a diagnosis is one sentence, the title a name.
constexpr int kMaxTitle = 64;
constexpr int kMaxText = 512;
constexpr int kMaxLines = 64;

// UTF-16 as the font's characters: '?' for each character it lacks (a
// surrogate pair is one), '\n' kept as a line break. Returns the length.
int ToFontText(const WCHAR* text, char* out, int capacity) {
  int length = 0;
  for (const WCHAR* p = text; p != nullptr && *p != 0 && length < capacity; ++p) {
    const char16_t c = *p;
    if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) ++p;
    out[length++] = c == u'\n' || HasGlyph(c) ? char(c) : '?';
  }
  return length;
}

struct Line {
  int begin, end;
};

struct Lines {
  Line line[kMaxLines];
  int count = 0;
  bool complete = true;  // every character has a line
};

// Greedy wrapping at spaces to `columns` characters a line; a word longer
// than a line is cut where the line ends.
Lines Wrap(const char* s, int n, int columns) {
  Lines lines;
  int i = 0;
  while (i < n) {
    while (i < n && s[i] == ' ') ++i;
    if (i == n) break;
    int end = i, lastSpace = -1;
    while (end < n && s[end] != '\n' && end - i < columns) {
      if (s[end] == ' ') lastSpace = end;
      ++end;
    }
    const bool midWord = end < n && s[end] != '\n' && s[end] != ' ';
    if (midWord && lastSpace > i) end = lastSpace;
    if (lines.count == kMaxLines) {
      lines.complete = false;
      break;
    }
    int last = end;
    while (last > i && s[last - 1] == ' ') --last;
    lines.line[lines.count++] = {i, last};
    i = end < n && s[end] == '\n' ? end + 1 : end;
  }
  return lines;
}

// ---- Layout, at scale 1: 6 pixels a character, 10 a line ----

constexpr int kMargin = 4;
constexpr int kAdvance = kGlyphWidth + 1;
constexpr int kLineAdvance = kGlyphHeight + 1;
constexpr int kRuleGap = 4;  // between the rule under the title and the text

struct Card {
  int scale = 1;
  int top = 0;
  Lines title, text;
  bool fits = false;
};

Card Arrange(int width, int height, const char* title, int titleLength, const char* text,
             int textLength, int scale) {
  Card card;
  card.scale = scale;
  const int columns = (width - 2 * kMargin * scale + scale) / (kAdvance * scale);
  if (columns < 1) return card;
  card.title = Wrap(title, titleLength, columns);
  card.text = Wrap(text, textLength, columns);
  const std::int64_t needed = std::int64_t(card.title.count * kLineAdvance + 1 + kRuleGap +
                                           card.text.count * kLineAdvance) *
                              scale;
  card.fits = card.title.complete && card.text.complete && needed <= height - 2 * kMargin * scale;
  card.top = card.fits ? int((height - needed) / 2) : kMargin * scale;
  return card;
}

// The card as large as the picture has room for, up to the 176x144 card
// scaled up whole; at scale 1 what does not fit is cut off.
Card ArrangeLargest(int width, int height, const char* title, int titleLength, const char* text,
                    int textLength) {
  int scale = std::max(1, std::min(width / 176, height / 144));
  for (;; --scale) {
    Card card = Arrange(width, height, title, titleLength, text, textLength, scale);
    if (card.fits || scale == 1) return card;
  }
}

template <class Surface>
class Painter {
 public:
  Painter(const Surface& surface, const Picture& picture) : surface_(surface), p_(picture) {}

  // A rectangle clipped to the picture.
  void Fill(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, Shade shade) const {
    x0 = std::max<std::int64_t>(x0, 0), y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, p_.width), y1 = std::min<std::int64_t>(y1, p_.height);
    if (x0 < x1 && y0 < y1) surface_.Fill(int(x0), int(y0), int(x1), int(y1), shade);
  }

  // Lines from `y`; returns where the next line would go.
  int Text(const Lines& lines, const char* s, int x, int y, int scale, Shade shade) const {
    for (int l = 0; l < lines.count; ++l, y += kLineAdvance * scale) {
      for (int i = lines.line[l].begin; i < lines.line[l].end; ++i) {
        const Glyph& glyph = GlyphOf(char32_t(std::uint8_t(s[i])));
        const int left = x + (i - lines.line[l].begin) * kAdvance * scale;
        for (int row = 0; row < kGlyphHeight; ++row) {
          for (int column = 0; column < kGlyphWidth; ++column) {
            if (!glyph.Lit(column, row)) continue;
            Fill(left + column * scale, y + row * scale, left + (column + 1) * scale,
                 y + (row + 1) * scale, shade);
          }
        }
      }
    }
    return y;
  }

 private:
  const Surface& surface_;
  const Picture& p_;
};

template <class Surface>
void Paint(const Picture& picture, std::uint8_t* sample, const Card& card, const char* title,
           const char* text) {
  const Surface surface(picture, sample);
  surface.Clear();
  const Painter<Surface> painter(surface, picture);
  const int s = card.scale, left = kMargin * s;
  int y = painter.Text(card.title, title, left, card.top, s, kTitle);
  painter.Fill(left, y, picture.width - left, y + s, kRule);
  painter.Text(card.text, text, left, y + (1 + kRuleGap) * s, s, kText);
}

}  // namespace

bool CanDrawStatusCard(const VideoFormatSettings& format) {
  return PictureOf(format).layout != Layout::kNone;
}

bool DrawStatusCard(const VideoFormatSettings& format, std::uint8_t* sample,
                    std::int64_t sampleBytes, const WCHAR* title, const WCHAR* text) {
  const Picture picture = PictureOf(format);
  if (picture.layout == Layout::kNone || sample == nullptr || sampleBytes < picture.bytes) {
    return false;
  }
  char titleChars[kMaxTitle], textChars[kMaxText];
  const int titleLength = ToFontText(title, titleChars, kMaxTitle);
  const int textLength = ToFontText(text, textChars, kMaxText);
  const Card card =
      ArrangeLargest(picture.width, picture.height, titleChars, titleLength, textChars, textLength);
  switch (picture.layout) {
    case Layout::kPlanarVU:
    case Layout::kPlanarUV:
      Paint<PlanarSurface>(picture, sample, card, titleChars, textChars);
      break;
    case Layout::kYUY2:
    case Layout::kUYVY:
      Paint<PackedSurface>(picture, sample, card, titleChars, textChars);
      break;
    default:
      Paint<RgbSurface>(picture, sample, card, titleChars, textChars);
      break;
  }
  return true;
}

}  // namespace orlin::filter
