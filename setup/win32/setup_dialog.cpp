// Winsock's header goes before the windows.h that the dialog's header brings.
#include "orlin/winsock.h"
#include "orlin/udp_port.h"
#include "setup/win32/setup_dialog.h"

#include <commctrl.h>

#include <chrono>
#include <memory>
#include <string>

#include "settings/announcement.h"
#include "setup/detect.h"
#include "setup/setup_actions.h"
#include "setup/setup_resources.h"
#include "setup/stream_check.h"

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

// The field limits and the list's entries, once when the dialog starts.
void PrepareControls(HWND dialog) {
  for (const int id : {IDC_FOURCC, IDC_WIDTH, IDC_HEIGHT}) {
    SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, kFieldMaxChars, 0);
  }
  SendDlgItemMessageW(dialog, IDC_ACCEPT_FROM, EM_LIMITTEXT, settings::kMaxTextSettingChars, 0);
  for (const std::uint32_t choice : kBitsPerPixelChoices) {
    const std::wstring text = std::to_wstring(choice);
    SendDlgItemMessageW(dialog, IDC_BITS_PER_PIXEL, CB_ADDSTRING, 0, LPARAM(text.c_str()));
  }
}

void ShowEntries(HWND dialog, const SetupEntries& entries) {
  SetControlText(dialog, IDC_FOURCC, entries.fourCC);
  SetControlText(dialog, IDC_WIDTH, entries.width);
  SetControlText(dialog, IDC_HEIGHT, entries.height);
  SendDlgItemMessageW(dialog, IDC_BITS_PER_PIXEL, CB_SETCURSEL, WPARAM(entries.bitsPerPixel), 0);
  SetCheck(dialog, IDC_COMPRESSION, entries.compression);
  SetCheck(dialog, IDC_PIXEL_CORRECTION, entries.pixelCorrection);
  SetCheck(dialog, IDC_SWAP_UV, entries.swapUV);
  SetControlText(dialog, IDC_ACCEPT_FROM, entries.acceptFrom);
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
  entries.acceptFrom =
      ControlText(dialog, IDC_ACCEPT_FROM,
                  std::size_t(GetWindowTextLengthW(GetDlgItem(dialog, IDC_ACCEPT_FROM))));
  return entries;
}

// The line under the fields follows them as they change.
void ShowLargeFramesLine(HWND dialog) {
  SetControlText(dialog, IDC_LARGE_FRAMES, LargeFramesLine(ReadEntries(dialog)));
}

// Whether a control's notification changes what the entries stand for.
bool EntriesChanged(int id, int code) {
  switch (id) {
    case IDC_FOURCC:
    case IDC_WIDTH:
    case IDC_HEIGHT:
      return code == EN_CHANGE;
    case IDC_BITS_PER_PIXEL:
      return code == CBN_SELCHANGE;
    case IDC_COMPRESSION:
      return code == BN_CLICKED;
    default:
      return false;
  }
}

constexpr UINT_PTR kDetectTimer = 1;
constexpr UINT kDetectPollMs = 100;

struct DialogState {
  HINSTANCE instance = nullptr;
  std::unique_ptr<SetupActions> actions;
  // Detect listens while the dialog goes on: a timer looks for the
  // announcement until the deadline.
  settings::AnnouncementListener listener;
  std::uint16_t port = 0;
  std::chrono::steady_clock::time_point deadline;
  // The stored sender cannot be read, and its field has not been edited since.
  bool acceptFromUnreadable = false;
};

// The entries to save: the controls, and whether the stored sender stays.
SetupEntries EntriesToSave(HWND dialog, const DialogState& state) {
  SetupEntries entries = ReadEntries(dialog);
  entries.acceptFromUnreadable = state.acceptFromUnreadable;
  return entries;
}

void StopDetect(HWND dialog, DialogState& state) {
  KillTimer(dialog, kDetectTimer);
  state.listener.Close();
  EnableWindow(GetDlgItem(dialog, IDC_DETECT), TRUE);
}

void StartDetect(HWND dialog, DialogState& state) {
  if (state.listener.IsOpen()) return;
  state.port = AnnouncementPort();
  const WideText failure = state.listener.Open(state.port);
  if (!failure.empty()) {
    SetControlText(dialog, IDC_STATUS, {});
    state.actions->ShowWarning(CannotListenText(failure));
    return;
  }
  state.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDialogDetectMs);
  SetControlText(dialog, IDC_STATUS, ListeningText(state.port, kDialogDetectMs));
  EnableWindow(GetDlgItem(dialog, IDC_DETECT), FALSE);
  SetTimer(dialog, kDetectTimer, kDetectPollMs, nullptr);
}

void PollDetect(HWND dialog, DialogState& state) {
  if (const auto announcement = state.listener.Latest()) {
    const auto sender = state.listener.LastSender();
    StopDetect(dialog, state);
    ShowEntries(dialog, DetectedEntries(settings::SettingsToReceive(*announcement),
                                        sender ? Widen(DottedIPv4(*sender).c_str()) : WideText()));
    state.acceptFromUnreadable = false;
    ShowLargeFramesLine(dialog);
    SetControlText(dialog, IDC_STATUS, Widen(kDetectedStatus));
  } else if (std::chrono::steady_clock::now() >= state.deadline) {
    StopDetect(dialog, state);
    SetControlText(dialog, IDC_STATUS, {});
    state.actions->ShowWarning(NothingArrivedText(state.port, kDialogDetectMs));
  }
}

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
      PrepareControls(dialog);
      const SetupEntries entries = state->actions->Start();
      ShowEntries(dialog, entries);
      ShowLargeFramesLine(dialog);
      // Set after the field is filled: filling it is no edit of the user's.
      state->acceptFromUnreadable = entries.acceptFromUnreadable;
      if (entries.acceptFromUnreadable)
        SetControlText(dialog, IDC_STATUS, Widen(kAcceptFromUnreadable));
      return TRUE;
    }
    case WM_TIMER:
      if (state != nullptr && wParam == kDetectTimer && state->listener.IsOpen()) {
        PollDetect(dialog, *state);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (state == nullptr || state->actions == nullptr) break;
      if (EntriesChanged(LOWORD(wParam), HIWORD(wParam))) {
        ShowLargeFramesLine(dialog);
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_ACCEPT_FROM && HIWORD(wParam) == EN_CHANGE) {
        state->acceptFromUnreadable = false;
        return TRUE;
      }
      switch (LOWORD(wParam)) {
        case IDOK:
          StopDetect(dialog, *state);
          state->actions->SaveAndRegister(EntriesToSave(dialog, *state));
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDC_APPLY:
          SetControlText(
              dialog, IDC_STATUS,
              OutcomeText(state->actions->SaveAndRegister(EntriesToSave(dialog, *state))));
          return TRUE;
        case IDCANCEL:  // the Cancel button, Esc and the close box
          StopDetect(dialog, *state);
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_DETECT:
          StartDetect(dialog, *state);
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
  DialogState state;
  state.instance = instance;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                         LPARAM(&state));
}

}  // namespace orlin::setup::win32
