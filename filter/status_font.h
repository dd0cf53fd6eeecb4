// The status card's font: 5 x 9 pixel glyphs for printable ASCII, drawn in
// the source as pictures of themselves (filter/status_font.cpp).
#pragma once

#include <cstdint>

namespace orlin::filter {

inline constexpr int kGlyphWidth = 5;
// Capitals and digits fill rows 0 to 6, lower case stands on row 6, and the
// descenders of g, j, p, q and y reach into rows 7 and 8.
inline constexpr int kGlyphHeight = 9;

// One glyph, top row first; bit 4 of a row is its leftmost column.
struct Glyph {
  std::uint8_t rows[kGlyphHeight];
  bool Lit(int column, int row) const { return (rows[row] >> (kGlyphWidth - 1 - column)) & 1; }
};

// Whether the font draws `c` (0x20 to 0x7E).
constexpr bool HasGlyph(char32_t c) {
  return c >= 0x20 && c <= 0x7E;
}

// The glyph of `c`; '?' for what the font lacks.
const Glyph& GlyphOf(char32_t c);

}  // namespace orlin::filter
