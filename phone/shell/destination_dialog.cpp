#include "phone/shell/dialogs.h"
#include "phone/shell/shell_text.h"

namespace orlin::phone::shell {

bool DestinationDialog::Start() {
  edit_.SetText(Narrow(capture_.GetDestinationText()));
  edit_.SelectAll();
  return true;
}

void DestinationDialog::Ok() { capture_.StoreDestination(Widen(edit_.Text()).c_str()); }

}  // namespace orlin::phone::shell
