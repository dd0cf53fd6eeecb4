#include "setup/tui/setup_screen.h"

#include <algorithm>

namespace orlin::setup::tui {
namespace {

WideText* FieldOf(SetupEntries& entries, Control control) {
  switch (control) {
    case Control::kFourCC:
      return &entries.fourCC;
    case Control::kWidth:
      return &entries.width;
    case Control::kHeight:
      return &entries.height;
    case Control::kAcceptFrom:
      return &entries.acceptFrom;
    default:
      return nullptr;
  }
}

bool* CheckOf(SetupEntries& entries, Control control) {
  switch (control) {
    case Control::kCompression:
      return &entries.compression;
    case Control::kPixelCorrection:
      return &entries.pixelCorrection;
    case Control::kSwapUV:
      return &entries.swapUV;
    default:
      return nullptr;
  }
}

}  // namespace

Command SetupScreen::HandleKey(int key) {
  switch (key) {
    case kKeyTab:
      MoveFocus(1);
      return Command::kNone;
    case kKeyBackTab:
      MoveFocus(-1);
      return Command::kNone;
    case kKeyUp:
    case kKeyDown:
      if (focus_ == Control::kBitsPerPixel) {
        ChooseBitsPerPixel(key == kKeyUp ? -1 : 1);
      } else {
        MoveFocus(key == kKeyUp ? -1 : 1);
      }
      return Command::kNone;
    case kKeyEscape:
      return Command::kCancel;
    case kKeyEnter:
    case '\r':
      return focus_ >= Control::kOk && FieldOf(entries_, focus_) == nullptr ? Press()
                                                                            : Command::kOk;
    case kKeyBackspace:
    case '\b':
      Erase();
      return Command::kNone;
    case ' ':
      if (FieldOf(entries_, focus_) == nullptr) return Press();
      break;
    default:
      break;
  }
  Type(key);
  return Command::kNone;
}

void SetupScreen::MoveFocus(int delta) {
  const int next =
      ((static_cast<int>(focus_) + delta) % kControlCount + kControlCount) % kControlCount;
  focus_ = static_cast<Control>(next);
}

void SetupScreen::Type(int key) {
  WideText* field = FieldOf(entries_, focus_);
  const std::size_t maxChars =
      focus_ == Control::kAcceptFrom ? settings::kMaxTextSettingChars : kFieldMaxChars;
  if (field == nullptr || key < 0x20 || key >= 0x7F || field->size() >= maxChars) return;
  if (focus_ == Control::kFourCC) {
    if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
  } else if (focus_ != Control::kAcceptFrom && (key < '0' || key > '9')) {
    return;
  }
  *field += WCHAR(key);
  if (focus_ == Control::kAcceptFrom) entries_.acceptFromUnreadable = false;
}

void SetupScreen::Erase() {
  WideText* field = FieldOf(entries_, focus_);
  if (field == nullptr || field->empty()) return;
  field->pop_back();
  if (focus_ == Control::kAcceptFrom) entries_.acceptFromUnreadable = false;
}

void SetupScreen::ChooseBitsPerPixel(int delta) {
  const int last = static_cast<int>(kBitsPerPixelChoices.size()) - 1;
  // From no selection, Down takes the first entry and Up stays at none, as a
  // closed drop-down list does.
  if (entries_.bitsPerPixel < 0) {
    if (delta > 0) entries_.bitsPerPixel = 0;
    return;
  }
  entries_.bitsPerPixel = std::clamp(entries_.bitsPerPixel + delta, 0, last);
}

Command SetupScreen::Press() {
  if (bool* check = CheckOf(entries_, focus_)) {
    *check = !*check;
    return Command::kNone;
  }
  switch (focus_) {
    case Control::kOk:
      return Command::kOk;
    case Control::kApply:
      return Command::kApply;
    case Control::kCancel:
      return Command::kCancel;
    case Control::kDetect:
      return Command::kDetect;
    default:
      return Command::kNone;
  }
}

}  // namespace orlin::setup::tui
