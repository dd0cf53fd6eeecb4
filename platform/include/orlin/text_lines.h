// Message texts laid out for a terminal: the Linux screens show the programs'
// message boxes and notes in fixed-width boxes.
#pragma once

#include <string>
#include <vector>

namespace orlin {

// Splits `text` into lines of at most `width` characters (at least 1): at its
// line feeds, then at the last space that fits, which is dropped; a word
// longer than the line is cut where the line ends.
std::vector<std::string> WrapText(const std::string& text, int width);

}  // namespace orlin
