#include "orlin/text_lines.h"

#include <algorithm>

namespace orlin {

std::vector<std::string> WrapText(const std::string& text, int width) {
  std::vector<std::string> lines;
  const auto limit = static_cast<std::size_t>(std::max(width, 1));
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    std::string rest = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (rest.size() > limit) {
      const std::size_t space = rest.rfind(' ', limit);
      const bool atSpace = space != std::string::npos && space > 0;
      const std::size_t cut = atSpace ? space : limit;
      lines.push_back(rest.substr(0, cut));
      rest = rest.substr(atSpace ? cut + 1 : cut);
    }
    lines.push_back(rest);
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

}  // namespace orlin
