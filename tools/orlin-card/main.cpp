// orlin-card: draws the status card the filter delivers in place of a frame
// into a sample of the given format and writes it as a PNG, read back through
// orlin-view's own unpacking, so what is seen is what a host would show.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/orlin_stream_format.h"
#include "filter/status_card.h"
#include "settings/stream_form.h"
#include "view/png_writer.h"
#include "view/video_frame.h"
#include "wire/four_cc.h"

namespace {

constexpr char kHelp[] =
    "Usage: orlin-card [--format F] [--size WxH] [--title T] [--zoom N] OUT.png [TEXT]\n"
    "\n"
    "Writes the status card for TEXT as the filter draws it into a sample.\n"
    "\n"
    "  --format F   I420 (default), IYUV, YV12, YUY2, UYVY, RGB24 or RGB32\n"
    "  --size WxH   the picture's size, 176x144 by default\n"
    "  --title T    the card's title, \"Orlin Camera\" by default\n"
    "  --zoom N     each pixel written as N x N, to look at a small card closely\n"
    "\n"
    "Exit status: 0 when written, 1 when the card cannot be drawn or written,\n"
    "2 for bad usage.\n";

constexpr char kLongestText[] =
    "Compressed frames arrive but the PC expects raw I420 176x144 frames: run orlin-setup --detect";

// Each pixel of RGB rows as a zoom x zoom square.
std::vector<std::uint8_t> Enlarged(const std::vector<std::uint8_t>& rgb, int width, int height,
                                   int zoom) {
  std::vector<std::uint8_t> out(rgb.size() * std::size_t(zoom) * std::size_t(zoom));
  std::size_t at = 0;
  for (int y = 0; y < height * zoom; ++y) {
    for (int x = 0; x < width * zoom; ++x, at += 3) {
      const std::size_t from =
          (std::size_t(y / zoom) * std::size_t(width) + std::size_t(x / zoom)) * 3;
      for (int c = 0; c < 3; ++c) out[at + std::size_t(c)] = rgb[from + std::size_t(c)];
    }
  }
  return out;
}

std::basic_string<WCHAR> Wide(const std::string& text) {
  return std::basic_string<WCHAR>(text.begin(), text.end());  // ASCII
}

bool ParseFormat(const std::string& name, orlin::settings::VideoFormatSettings& format) {
  struct Named {
    const char* name;
    std::uint32_t fourCC, bits;
  };
  static constexpr Named kFormats[] = {{"I420", orlin::wire::kFourCC_I420, 12},
                                       {"IYUV", orlin::wire::kFourCC_IYUV, 12},
                                       {"YV12", orlin::wire::kFourCC_YV12, 12},
                                       {"YUY2", orlin::wire::kFourCC_YUY2, 16},
                                       {"UYVY", orlin::wire::MakeFourCC('U', 'Y', 'V', 'Y'), 16},
                                       {"RGB24", 0, 24},
                                       {"RGB32", 0, 32}};
  for (const Named& f : kFormats) {
    if (name == f.name) {
      format.FourCC = f.fourCC;
      format.BitsPerPixel = f.bits;
      return true;
    }
  }
  return false;
}

int Usage(const char* problem) {
  std::fprintf(stderr, "orlin-card: %s\n%s", problem, kHelp);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  orlin::settings::VideoFormatSettings format{orlin::wire::kFourCC_I420, 176, 144, 12, 0, 0, 0};
  std::string title = "Orlin Camera", text = kLongestText, out;
  bool haveText = false;
  int zoom = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "--format" && hasValue) {
      if (!ParseFormat(argv[++i], format)) return Usage("unknown format");
    } else if (arg == "--size" && hasValue) {
      unsigned w = 0, h = 0;
      if (std::sscanf(argv[++i], "%ux%u", &w, &h) != 2) return Usage("size is WxH");
      format.Width = w, format.Height = h;
    } else if (arg == "--zoom" && hasValue) {
      zoom = std::atoi(argv[++i]);
      if (zoom < 1 || zoom > 16) return Usage("zoom is 1 to 16");
    } else if (arg == "--title" && hasValue) {
      title = argv[++i];
    } else if (out.empty()) {
      out = arg;
    } else if (!haveText) {
      text = arg, haveText = true;
    } else {
      return Usage("too many arguments");
    }
  }
  if (out.empty()) return Usage("no output file");

  std::vector<std::uint8_t> sample(std::size_t(orlin::settings::SampleSizeOf(format)));
  const std::basic_string<WCHAR> title16 = Wide(title), text16 = Wide(text);
  if (!orlin::filter::DrawStatusCard(format, sample.data(), std::int64_t(sample.size()),
                                     title16.c_str(), text16.c_str())) {
    std::fprintf(stderr, "orlin-card: no card for this format and size\n");
    return 1;
  }
  VIDEOINFOHEADER info = orlin::filter::VideoInfoOf(format);
  AM_MEDIA_TYPE type = orlin::filter::MediaTypeOf(info);
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  const auto frameFormat = orlin::view::FormatOfMediaType(type);
  orlin::view::PlanarFrame frame;
  if (!frameFormat || !orlin::view::ToPlanar(*frameFormat, sample.data(), sample.size(), frame)) {
    std::fprintf(stderr, "orlin-card: orlin-view cannot read this format\n");
    return 1;
  }
  std::string error;
  const std::vector<std::uint8_t> rgb =
      Enlarged(orlin::view::ToRgb(frame), frame.width, frame.height, zoom);
  if (!orlin::view::WritePng(out, frame.width * zoom, frame.height * zoom, rgb, error)) {
    std::fprintf(stderr, "orlin-card: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
