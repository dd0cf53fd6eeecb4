#include "phone/shell/dialogs.h"
#include "phone/shell/shell_text.h"

namespace orlin::phone::shell {

bool VideoFormatDialog::Start() {
  const VideoFormat* list = nullptr;
  int count = 0;
  int current = -1;
  if (!capture_.ListVideoFormats(&list, &count, &current)) return false;
  lines_.clear();
  // A line's index is its format's index in the capture's list.
  for (int i = 0; i < count; ++i) lines_.push_back(FormatLine(list[i]));
  selection_ = current >= 0 && current < count ? current : -1;
  return true;
}

void VideoFormatDialog::MoveSelection(int delta) {
  const int count = static_cast<int>(lines_.size());
  if (count == 0 || delta == 0) return;
  int next = selection_ < 0 ? (delta > 0 ? 0 : count - 1) : selection_ + delta;
  if (next < 0) next = 0;
  if (next >= count) next = count - 1;
  selection_ = next;
}

void VideoFormatDialog::Select(int index) {
  selection_ = index >= 0 && index < static_cast<int>(lines_.size()) ? index : -1;
}

void VideoFormatDialog::Ok() {
  if (selection_ != -1) capture_.StoreVideoFormat(selection_);
  capture_.RestartCapture();
}

void VideoFormatDialog::Cancel() { capture_.RestartCapture(); }

}  // namespace orlin::phone::shell
