#include "setup/win32/setup_dialog.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "setup/setup_actions.h"
#include "setup/setup_resources.h"

namespace orlin::setup::win32 {
namespace {

// The program's own string table, each text loaded into a buffer of its size.
WideText LoadResourceString(HINSTANCE instance, unsigned id) {
  WCHAR text[kMessageChars] = {};
  LoadStringW(instance, id, text, int(kMessageChars));
  return text;
}

// At most `maxChars` characters of the control's text.
WideText ControlText(HWND dialog, int id, std::size_t maxChars) {
  std::wstring text(maxChars + 1, L'\0');
  const UINT length = GetDlgItemTextW(dialog, id, text.data(), int(text.size()));
  text.resize(length);
  return text;
}

void SetControlText(HWND dialog, int id, const WideText& text) {
  SetDlgItemTextW(dialog, id, text.c_str());
}

void SetCheck(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void ShowEntries(HWND dialog, const SetupEntries& entries) {
  for (const int id : {IDC_FOURCC, IDC_WIDTH, IDC_HEIGHT}) {
    SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, kFieldMaxChars, 0);
  }
  SetControlText(dialog, IDC_FOURCC, entries.fourCC);
  SetControlText(dialog, IDC_WIDTH, entries.width);
  SetControlText(dialog, IDC_HEIGHT, entries.height);
  for (const std::uint32_t choice : kBitsPerPixelChoices) {
    const std::wstring text = std::to_wstring(choice);
    SendDlgItemMessageW(dialog, IDC_BITS_PER_PIXEL, CB_ADDSTRING, 0, LPARAM(text.c_str()));
  }
  SendDlgItemMessageW(dialog, IDC_BITS_PER_PIXEL, CB_SETCURSEL, WPARAM(entries.bitsPerPixel), 0);
  SetCheck(dialog, IDC_COMPRESSION, entries.compression);
  SetCheck(dialog, IDC_PIXEL_CORRECTION, entries.pixelCorrection);
  SetCheck(dialog, IDC_SWAP_UV, entries.swapUV);
}

SetupEntries ReadEntries(HWND dialog) {
  SetupEntries entries;
  entries.fourCC = ControlText(dialog, IDC_FOURCC, kFieldMaxChars);
  // The numbers whole: a longer text (set from a stored value) must fail the
  // range check, not count as its first four digits.
  entries.width = ControlText(dialog, IDC_WIDTH,
                              std::size_t(GetWindowTextLengthW(GetDlgItem(dialog, IDC_WIDTH))));
  entries.height = ControlText(dialog, IDC_HEIGHT,
                               std::size_t(GetWindowTextLengthW(GetDlgItem(dialog, IDC_HEIGHT))));
  entries.bitsPerPixel = int(SendDlgItemMessageW(dialog, IDC_BITS_PER_PIXEL, CB_GETCURSEL, 0, 0));
  entries.compression = Checked(dialog, IDC_COMPRESSION);
  entries.pixelCorrection = Checked(dialog, IDC_PIXEL_CORRECTION);
  entries.swapUV = Checked(dialog, IDC_SWAP_UV);
  return entries;
}

struct DialogState {
  HINSTANCE instance;
  std::unique_ptr<SetupActions> actions;
};

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DialogState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, LONG_PTR(state));
      const HINSTANCE instance = state->instance;
      SetupEnvironment environment;
      environment.owner = dialog;
      environment.strings = [instance](unsigned id) { return LoadResourceString(instance, id); };
      environment.libraryFileName = L"Orlin.dll";
      state->actions = std::make_unique<SetupActions>(std::move(environment));
      const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SETUP));
      SendMessageW(dialog, WM_SETICON, ICON_BIG, LPARAM(icon));
      SendMessageW(dialog, WM_SETICON, ICON_SMALL, LPARAM(icon));
      ShowEntries(dialog, state->actions->Start());
      return TRUE;
    }
    case WM_COMMAND:
      if (state == nullptr || state->actions == nullptr) break;
      switch (LOWORD(wParam)) {
        case IDOK:
          state->actions->SaveAndRegister(ReadEntries(dialog));
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDC_APPLY:
          state->actions->SaveAndRegister(ReadEntries(dialog));
          return TRUE;
        case IDCANCEL:  // the Cancel button, Esc and the close box
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR RunSetupDialog(HINSTANCE instance) {
  DialogState state{instance, nullptr};
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                         LPARAM(&state));
}

}  // namespace orlin::setup::win32
