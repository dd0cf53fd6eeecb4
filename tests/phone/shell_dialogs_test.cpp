// The settings dialogs' logic driven as a user drives them: what each shows
// when it starts, and what OK and Cancel leave in the capture and the hive.
#include <gtest/gtest.h>

#include <string>

#include "phone/cameras/camera_catalogue.h"
#include "phone/shell/dialogs.h"
#include "phone/shell/shell_text.h"
#include "tests/phone/capture_fixture.h"

namespace orlin::test {
namespace {

using phone::VideoFormat;
using phone::shell::CompressionDialog;
using phone::shell::DestinationDialog;
using phone::shell::VideoFormatDialog;

class ShellDialogsTest : public CaptureFixture {
 protected:
  void SetUp() override { ASSERT_EQ(capture_.StartCapture(), S_OK); }

  std::string FormatInForce() {
    VideoFormat format;
    EXPECT_TRUE(capture_.GetVideoFormat(&format));
    return phone::shell::FormatLine(format);
  }
  std::string Address() { return phone::shell::Narrow(capture_.GetAddressText()); }
  bool VideoFormatStored() {
    platform::RegistryKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, phone::kVideoFormatKey, 0, KEY_READ, key.Receive()) ==
           ERROR_SUCCESS;
  }
  static int IndexOf(const VideoFormatDialog& dialog, const std::string& line) {
    const auto& lines = dialog.Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == line) return static_cast<int>(i);
    }
    return -1;
  }
  static void Type(phone::shell::EditBox& edit, const std::string& text) {
    for (const char c : text) edit.Type(c);
  }
};

TEST_F(ShellDialogsTest, VideoFormatListsTheCameraWithTheFormatInForceSelected) {
  VideoFormatDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  const long stopped = FramesDelivered();
  EXPECT_EQ(dialog.Lines().size(), 11u);
  ASSERT_GE(dialog.Selection(), 0);
  EXPECT_EQ(dialog.Lines()[dialog.Selection()], "YV12  176 x 144");
  EXPECT_GE(IndexOf(dialog, "YUY2  640 x 480"), 0);
  // The list's start stopped the camera until the dialog ends.
  EXPECT_FALSE(CameraStreaming());
  EXPECT_EQ(FramesDelivered(), stopped);
  dialog.Cancel();
  EXPECT_TRUE(WaitForFrames(3));
}

TEST_F(ShellDialogsTest, VideoFormatOkStoresTheSelectionAndStreamsIt) {
  VideoFormatDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  const int yuy2 = IndexOf(dialog, "YUY2  320 x 240");
  ASSERT_GE(yuy2, 0);
  dialog.Select(yuy2);
  dialog.Ok();
  EXPECT_EQ(FormatInForce(), "YUY2  320 x 240");
  EXPECT_TRUE(VideoFormatStored());
  EXPECT_TRUE(WaitForFrames(3));

  VideoFormatDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Selection(), yuy2);
  again.Cancel();
}

TEST_F(ShellDialogsTest, VideoFormatOkWithoutSelectionStoresNothingAndRestarts) {
  VideoFormatDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  dialog.Select(-1);
  dialog.Ok();
  EXPECT_FALSE(VideoFormatStored());
  EXPECT_EQ(FormatInForce(), "YV12  176 x 144");
  EXPECT_TRUE(WaitForFrames(3));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ShellDialogsTest, VideoFormatCancelRestartsWithTheFormatInForce) {
  VideoFormatDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  dialog.MoveSelection(1);
  dialog.MoveSelection(1);
  EXPECT_EQ(dialog.Lines()[dialog.Selection()], "YV12  640 x 480");
  dialog.Cancel();
  EXPECT_FALSE(VideoFormatStored());
  EXPECT_EQ(FormatInForce(), "YV12  176 x 144");
  EXPECT_TRUE(WaitForFrames(3));
}

TEST_F(ShellDialogsTest, VideoFormatSelectionStaysInsideTheList) {
  VideoFormatDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  const int last = static_cast<int>(dialog.Lines().size()) - 1;
  dialog.MoveSelection(-5);
  EXPECT_EQ(dialog.Selection(), 0);
  dialog.MoveSelection(100);
  EXPECT_EQ(dialog.Selection(), last);
  dialog.Select(last + 1);
  EXPECT_EQ(dialog.Selection(), -1);
  dialog.MoveSelection(-1);  // from nothing, up picks the last line
  EXPECT_EQ(dialog.Selection(), last);
  dialog.Cancel();
}

TEST_F(ShellDialogsTest, DestinationOkStoresAndResolvesTheTypedAddress) {
  DestinationDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  EXPECT_EQ(dialog.Edit().Text(), "localhost");
  EXPECT_TRUE(dialog.Edit().AllSelected());
  Type(dialog.Edit(), "127.0.0.9");  // replaces the selected text
  dialog.Ok();
  EXPECT_EQ(Address(), "127.0.0.9");
  EXPECT_TRUE(Messages().empty());

  DestinationDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Edit().Text(), "127.0.0.9");
}

TEST_F(ShellDialogsTest, DestinationOkKeepsAStoredNameThatIsNotAscii) {
  const phone::WideText stored = ORLIN_TEXT("h\u00f6st-\u00e9.example");
  capture_.StoreDestination(stored.c_str());
  DestinationDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  EXPECT_EQ(dialog.Edit().Text(), "h?st-?.example");
  dialog.Ok();
  EXPECT_TRUE(capture_.GetDestinationText() == stored);
  capture_.StopCapture();
  ASSERT_EQ(capture_.StartCapture(), S_OK);  // what the hive holds
  EXPECT_TRUE(capture_.GetDestinationText() == stored);
}

TEST_F(ShellDialogsTest, DestinationThatDoesNotResolveKeepsThePreviousAddress) {
  DestinationDialog first(capture_);
  ASSERT_TRUE(first.Start());
  Type(first.Edit(), "127.0.0.7");
  first.Ok();
  ASSERT_EQ(Address(), "127.0.0.7");

  DestinationDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  Type(dialog.Edit(), "no-such-host.invalid");
  dialog.Ok();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], u"no-such-host.invalid not found");
  EXPECT_EQ(Address(), "127.0.0.7");
  // The name is stored all the same, and the next dialog shows it.
  DestinationDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Edit().Text(), "no-such-host.invalid");
  again.Cancel();
  EXPECT_EQ(Address(), "127.0.0.7");
}

TEST_F(ShellDialogsTest, DestinationKeepsThirtyOneCharactersAndBackEditsTheText) {
  DestinationDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  dialog.Edit().Back();  // the selection goes first
  EXPECT_EQ(dialog.Edit().Text(), "");
  Type(dialog.Edit(), std::string(40, 'a'));
  EXPECT_EQ(dialog.Edit().Text(), std::string(31, 'a'));
  dialog.Edit().Back();
  EXPECT_EQ(dialog.Edit().Text(), std::string(30, 'a'));
  dialog.Cancel();
  EXPECT_EQ(phone::shell::Narrow(capture_.GetDestinationText()), "localhost");
}

TEST_F(ShellDialogsTest, CompressionWithYuy2IsStoredButShownUnticked) {
  VideoFormatDialog formats(capture_);
  ASSERT_TRUE(formats.Start());
  formats.Select(IndexOf(formats, "YUY2  176 x 144"));
  formats.Ok();
  ASSERT_EQ(FormatInForce(), "YUY2  176 x 144");

  CompressionDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  EXPECT_FALSE(dialog.CompressionChecked());
  dialog.Toggle();  // the focus starts on the Compression box
  EXPECT_TRUE(dialog.CompressionChecked());
  dialog.Ok();

  platform::RegistryKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, phone::kSettingsKey, 0, KEY_READ, key.Receive()),
            ERROR_SUCCESS);
  DWORD stored = 0;
  DWORD bytes = sizeof stored;
  ASSERT_EQ(RegQueryValueExW(key.Get(), ORLIN_TEXT("Compression"), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&stored), &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 1u);
  CompressionDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_FALSE(again.CompressionChecked());
}

TEST_F(ShellDialogsTest, CompressionNineReductionsShowAsThree) {
  CompressionDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  EXPECT_TRUE(dialog.CompressionChecked());
  EXPECT_EQ(dialog.Reductions().Text(), "2");
  dialog.FocusNext(1);
  dialog.Toggle();  // PixelCorrection
  dialog.Reductions().Type('9');
  dialog.Ok();

  CompressionDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_TRUE(again.CompressionChecked());
  EXPECT_TRUE(again.PixelCorrectionChecked());
  EXPECT_EQ(again.Reductions().Text(), "3");
}

TEST_F(ShellDialogsTest, CompressionCancelChangesNothing) {
  CompressionDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  dialog.Toggle();
  dialog.Reductions().Type('0');
  dialog.Cancel();
  CompressionDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_TRUE(again.CompressionChecked());
  EXPECT_EQ(again.Reductions().Text(), "2");
}

TEST_F(ShellDialogsTest, ReductionsThatAreNoNumberReadAsZero) {
  CompressionDialog dialog(capture_);
  ASSERT_TRUE(dialog.Start());
  dialog.Reductions().Back();
  dialog.Ok();  // an empty box
  CompressionDialog again(capture_);
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Reductions().Text(), "0");
}

// With no camera there is no sender: the dialogs start empty and their OK
// stores settings without touching a capture that does not exist.
class ShellDialogsNoCameraTest : public CaptureFixture {};

TEST_F(ShellDialogsNoCameraTest, DialogsWithoutSenderShowNothingAndStillStore) {
  phone::cameras::ChooseCamera("/nonexistent/camera.y4m");
  EXPECT_TRUE(FAILED(capture_.StartCapture()));
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0], u"Camera not found");
  EXPECT_EQ(Messages()[1], u"Starting the capture failed");
  EXPECT_EQ(phone::shell::Narrow(capture_.GetAddressText()), "<initializing...>");

  VideoFormatDialog formats(capture_);
  ASSERT_TRUE(formats.Start());
  EXPECT_TRUE(formats.Lines().empty());
  formats.Ok();

  CompressionDialog codec(capture_);
  ASSERT_TRUE(codec.Start());
  EXPECT_FALSE(codec.CompressionChecked());
  EXPECT_EQ(codec.Reductions().Text(), "0");
  codec.Reductions().Type('1');
  codec.Ok();
  EXPECT_EQ(Messages().size(), 2u);
}

}  // namespace
}  // namespace orlin::test
