#include "phone/shell/dialogs.h"
#include "phone/shell/shell_text.h"

namespace orlin::phone::shell {

bool DestinationDialog::Start() {
  stored_ = capture_.GetDestinationText();
  edit_.SetText(Narrow(stored_));
  edit_.SelectAll();
  return true;
}

void DestinationDialog::Ok() {
  // The first key typed or Back replaces the whole text, so the box holds
  // either the stored text as shown or only what the user typed.
  const bool edited = edit_.Text() != Narrow(stored_);
  capture_.StoreDestination(edited ? Widen(edit_.Text()).c_str() : stored_.c_str());
}

}  // namespace orlin::phone::shell
