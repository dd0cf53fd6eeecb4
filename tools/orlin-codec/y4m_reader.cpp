#include "tools/orlin-codec/y4m_reader.h"

#include <charconv>
#include <cstring>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

constexpr char kStreamMagic[] = "YUV4MPEG2";
constexpr char kFrameMagic[] = "FRAME";
// Header lines are a few dozen bytes; a longer one means this is not Y4M.
constexpr std::size_t kMaxHeaderLine = 4096;
constexpr int kMaxDimension = 65535;

// Reads up to and including '\n'; false at end of stream before any byte.
// Throws when the line never ends.
bool ReadLine(std::istream& in, std::string& line, const std::string& what) {
  line.clear();
  char c;
  while (in.get(c)) {
    if (c == '\n') return true;
    if (line.size() >= kMaxHeaderLine) throw ToolError(what + " is longer than " + std::to_string(kMaxHeaderLine) + " bytes");
    line.push_back(c);
  }
  if (in.bad()) throw ToolError("read error in " + what);
  if (line.empty()) return false;
  throw ToolError(what + " is cut short (no end of line)");
}

int ParseDimension(const std::string& value, char tag) {
  int number = 0;
  const char* end = value.data() + value.size();
  const auto [ptr, ec] = std::from_chars(value.data(), end, number);
  if (value.empty() || ec != std::errc() || ptr != end || number <= 0 || number > kMaxDimension) {
    throw ToolError(std::string("Y4M header: bad ") + tag + " (size) value '" + value + "'");
  }
  return number;
}

bool IsAccepted420(const std::string& colourSpace) {
  return colourSpace == "420" || colourSpace == "420jpeg" || colourSpace == "420mpeg2" ||
         colourSpace == "420paldv";
}

}  // namespace

bool LooksLikeY4m(const std::string& prefix) {
  return prefix.rfind(kStreamMagic, 0) == 0;
}

Y4mReader::Y4mReader(std::istream& in) : in_(in) {
  std::string line;
  if (!ReadLine(in_, line, "Y4M header")) throw ToolError("empty input: no YUV4MPEG2 header");
  const std::size_t magicLength = std::strlen(kStreamMagic);
  if (line.compare(0, magicLength, kStreamMagic) != 0 || (line.size() > magicLength && line[magicLength] != ' ')) {
    throw ToolError("not a YUV4MPEG2 stream (it must start with \"YUV4MPEG2 \")");
  }
  bool haveWidth = false;
  bool haveHeight = false;
  std::size_t position = magicLength;
  while (position < line.size()) {
    const std::size_t start = line.find_first_not_of(' ', position);
    if (start == std::string::npos) break;
    std::size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    const char tag = line[start];
    const std::string value = line.substr(start + 1, end - start - 1);
    switch (tag) {
      case 'W': header_.width = ParseDimension(value, 'W'); haveWidth = true; break;
      case 'H': header_.height = ParseDimension(value, 'H'); haveHeight = true; break;
      case 'C': header_.colourSpace = value; break;
      case 'F': header_.frameRate = value; break;
      default: break;  // interlacing, aspect ratio and X extensions do not change the bytes
    }
    position = end;
  }
  if (!haveWidth || !haveHeight) throw ToolError("Y4M header has no " + std::string(haveWidth ? "H" : "W") + " (size) tag");
  if (!IsAccepted420(header_.colourSpace)) {
    throw ToolError("Y4M chroma C" + header_.colourSpace +
                    " is not supported: only 4:2:0 (C420, C420jpeg, C420mpeg2, C420paldv)");
  }
  if (header_.width % 2 != 0 || header_.height % 2 != 0) {
    // Y4M rounds odd chroma sizes up, the codec's layout rounds them down.
    throw ToolError("Y4M size " + std::to_string(header_.width) + "x" + std::to_string(header_.height) +
                    " is odd: only even widths and heights are supported");
  }
  const std::size_t luma = std::size_t(header_.width) * std::size_t(header_.height);
  frame_bytes_ = luma + 2 * (luma / 4);
}

bool Y4mReader::ReadFrame(std::vector<std::uint8_t>& frame) {
  const std::string what = "Y4M frame " + std::to_string(frames_ + 1) + " header";
  std::string line;
  if (!ReadLine(in_, line, what)) return false;
  const std::size_t magicLength = std::strlen(kFrameMagic);
  if (line.compare(0, magicLength, kFrameMagic) != 0 || (line.size() > magicLength && line[magicLength] != ' ')) {
    throw ToolError(what + " does not start with FRAME");
  }
  planes_.resize(frame_bytes_);
  in_.read(reinterpret_cast<char*>(planes_.data()), std::streamsize(frame_bytes_));
  const std::size_t got = std::size_t(in_.gcount());
  if (in_.bad()) throw ToolError("read error in Y4M frame " + std::to_string(frames_ + 1));
  if (got != frame_bytes_) {
    throw ToolError("Y4M frame " + std::to_string(frames_ + 1) + " is truncated: " + std::to_string(got) +
                    " of its " + std::to_string(frame_bytes_) + " bytes are there");
  }
  const std::size_t luma = std::size_t(header_.width) * std::size_t(header_.height);
  const std::size_t chroma = luma / 4;
  frame.resize(frame_bytes_);
  std::memcpy(frame.data(), planes_.data(), luma);
  std::memcpy(frame.data() + luma, planes_.data() + luma + chroma, chroma);  // V
  std::memcpy(frame.data() + luma + chroma, planes_.data() + luma, chroma);  // U
  ++frames_;
  return true;
}

}  // namespace orlin::tool
