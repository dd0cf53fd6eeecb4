#include "phone/shell/shell_text.h"

#include <cstdio>

namespace orlin::phone::shell {
namespace {

char Printable(unsigned value) { return value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '?'; }

}  // namespace

std::string Narrow(const WideText& text) {
  std::string out;
  out.reserve(text.size());
  for (const WCHAR unit : text) out += Printable(static_cast<unsigned>(unit));
  return out;
}

WideText Widen(const std::string& text) {
  WideText out;
  out.reserve(text.size());
  for (const char c : text) out += static_cast<WCHAR>(static_cast<unsigned char>(c));
  return out;
}

std::string FormatLine(const VideoFormat& format) {
  char line[64];
  std::snprintf(line, sizeof line, "%c%c%c%c  %d x %d", Printable(format.FourCC & 0xFF),
                Printable((format.FourCC >> 8) & 0xFF), Printable((format.FourCC >> 16) & 0xFF),
                Printable((format.FourCC >> 24) & 0xFF), int{format.Width}, int{format.Height});
  return line;
}

std::vector<std::string> StatusBlock(const CameraCapture& capture) {
  return {
      "Orlin Camera Version 0.07",
      "",
      "Streaming to: " + Narrow(capture.GetAddressText()),
      "",
      "Tessaly Software",
      "Your camera, on your PC",
  };
}

}  // namespace orlin::phone::shell
