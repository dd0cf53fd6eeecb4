// The terminal setup screen's keys: what the fields take, where the focus
// goes, and which keys end the dialog.
#include <gtest/gtest.h>

#include <string>

#include "setup/tui/setup_screen.h"

namespace orlin::setup::tui {
namespace {

WideText W(const char* text) {
  return Widen(text);
}

class SetupScreenTest : public ::testing::Test {
 protected:
  SetupScreen screen_{SetupEntries{W(""), W(""), W(""), -1, false, false, false}};

  Command Keys(const std::string& keys) {
    Command last = Command::kNone;
    for (const char c : keys) last = screen_.HandleKey(static_cast<unsigned char>(c));
    return last;
  }
};

TEST_F(SetupScreenTest, FourCCTakesFourCharactersInUpperCase) {
  Keys("yv12x");
  EXPECT_EQ(screen_.Entries().fourCC, W("YV12"));
  Keys("\x7f\x7f\x7f");
  Keys("y ");
  EXPECT_EQ(screen_.Entries().fourCC, W("YY "));
}

TEST_F(SetupScreenTest, WidthAndHeightTakeFourDigitsOnly) {
  screen_.SetFocus(Control::kWidth);
  Keys("1a0-250");
  EXPECT_EQ(screen_.Entries().width, W("1025"));
  Keys("\t640\b\b");
  EXPECT_EQ(screen_.Entries().height, W("6"));
}

TEST_F(SetupScreenTest, TabVisitsEveryControlInDialogOrderAndWraps) {
  for (int i = 1; i <= kControlCount; ++i) {
    screen_.HandleKey(kKeyTab);
    EXPECT_EQ(static_cast<int>(screen_.Focus()), i % kControlCount);
  }
  screen_.HandleKey(kKeyBackTab);
  EXPECT_EQ(screen_.Focus(), Control::kAcceptFrom);
  screen_.HandleKey(kKeyBackTab);
  EXPECT_EQ(screen_.Focus(), Control::kDetect);
}

// An address or host name, longer than the format's fields; a stored sender
// that cannot be read stays until the field is edited.
TEST_F(SetupScreenTest, SenderFieldTakesAnyTextAndAnEditReplacesAnUnreadableOne) {
  screen_.Fill({W(""), W(""), W(""), -1, false, false, false, W(""), true});
  screen_.SetFocus(Control::kAcceptFrom);
  Keys("\x7f");
  EXPECT_TRUE(screen_.Entries().acceptFromUnreadable) << "nothing was erased";
  Keys("Phone-1.local x");
  EXPECT_EQ(screen_.Entries().acceptFrom, W("Phone-1.local x"));
  EXPECT_FALSE(screen_.Entries().acceptFromUnreadable);
  Keys(std::string(300, '9'));
  EXPECT_EQ(screen_.Entries().acceptFrom.size(), 255u);
}

TEST_F(SetupScreenTest, ListIsChosenFromWithUpAndDownFromNoSelection) {
  screen_.SetFocus(Control::kBitsPerPixel);
  screen_.HandleKey(kKeyUp);
  EXPECT_EQ(screen_.Entries().bitsPerPixel, -1);
  screen_.HandleKey(kKeyDown);
  EXPECT_EQ(screen_.Entries().bitsPerPixel, 0);
  for (int i = 0; i < 10; ++i) screen_.HandleKey(kKeyDown);
  EXPECT_EQ(screen_.Entries().bitsPerPixel, 6);
  Keys("12");  // no typing into the list
  EXPECT_EQ(screen_.Entries().bitsPerPixel, 6);
  EXPECT_EQ(screen_.Focus(), Control::kBitsPerPixel);
}

TEST_F(SetupScreenTest, SpaceTicksTheFocusedBoxOnly) {
  screen_.SetFocus(Control::kPixelCorrection);
  Keys(" ");
  EXPECT_TRUE(screen_.Entries().pixelCorrection);
  EXPECT_FALSE(screen_.Entries().compression);
  EXPECT_FALSE(screen_.Entries().swapUV);
  Keys(" ");
  EXPECT_FALSE(screen_.Entries().pixelCorrection);
}

TEST_F(SetupScreenTest, EnterIsOkUnlessAnotherButtonHasTheFocusAndEscCancels) {
  EXPECT_EQ(screen_.HandleKey(kKeyEnter), Command::kOk);
  screen_.SetFocus(Control::kAcceptFrom);
  EXPECT_EQ(screen_.HandleKey(kKeyEnter), Command::kOk);
  screen_.SetFocus(Control::kApply);
  EXPECT_EQ(screen_.HandleKey(kKeyEnter), Command::kApply);
  EXPECT_EQ(screen_.HandleKey(' '), Command::kApply);
  screen_.SetFocus(Control::kDetect);
  EXPECT_EQ(screen_.HandleKey(kKeyEnter), Command::kDetect);
  EXPECT_EQ(screen_.HandleKey(' '), Command::kDetect);
  screen_.SetFocus(Control::kCancel);
  EXPECT_EQ(screen_.HandleKey(kKeyEnter), Command::kCancel);
  screen_.SetFocus(Control::kCompression);
  EXPECT_EQ(screen_.HandleKey(kKeyEscape), Command::kCancel);
}

}  // namespace
}  // namespace orlin::setup::tui
