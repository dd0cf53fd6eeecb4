// Terminal layout of message texts.
#include <gtest/gtest.h>

#include "orlin/text_lines.h"

namespace orlin {
namespace {

using Lines = std::vector<std::string>;

TEST(WrapText, BreaksAtTheLastSpaceThatFitsAndDropsIt) {
  EXPECT_EQ(WrapText("one two three", 7), (Lines{"one two", "three"}));
  // The space falls just past a full line: the next line does not begin with it.
  EXPECT_EQ(WrapText("abcd efgh", 4), (Lines{"abcd", "efgh"}));
  EXPECT_EQ(WrapText("short", 40), (Lines{"short"}));
}

TEST(WrapText, KeepsLineFeedsAndCutsWordsLongerThanALine) {
  EXPECT_EQ(WrapText("first\n\nthird", 10), (Lines{"first", "", "third"}));
  EXPECT_EQ(WrapText("0x0000007e!", 4), (Lines{"0x00", "0000", "7e!"}));
  EXPECT_EQ(WrapText("", 5), (Lines{""}));
  EXPECT_EQ(WrapText("ab", 0), (Lines{"a", "b"}));  // no width is one column
}

}  // namespace
}  // namespace orlin
