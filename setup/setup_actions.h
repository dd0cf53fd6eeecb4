// What the setup dialog does, apart from how it is drawn: start from the stored
// settings, save the entries on OK and Apply, register the filter library, and
// tell the user about every failure in a message box owned by the dialog.
#pragma once

#include <functional>
#include <optional>

#include "orlin/message_box.h"
#include "setup/setup_entries.h"
#include "setup/setup_text.h"

namespace orlin::setup {

// Message box flags: task-modal with a warning or an error icon.
inline constexpr UINT kWarningBox = 0x2030;
inline constexpr UINT kErrorBox = 0x2010;

inline constexpr char kInvalidValues[] = "One or more of the values are invalid.";
inline constexpr char kRegisterEntryPoint[] = "DllRegisterServer";
// The dialog's status text when the stored sender cannot be read.
inline constexpr char kAcceptFromUnreadable[] =
    "Accept frames only from cannot be read: it is kept unless you edit it.";

// How far OK or Apply got.
enum class SaveOutcome { kNotSaved, kSavedNotRegistered, kSavedAndRegistered };

// A line that confirms the outcome, for the dialog's status text.
WideText OutcomeText(SaveOutcome outcome);

// Where the setup runs: the Windows dialog, the terminal screen, or a test.
struct SetupEnvironment {
  HWND owner = nullptr;  // owner of every message box: the dialog
  std::function<WideText(unsigned)> strings = BuiltInString;  // the string table
  WideText libraryFileName;                                   // loaded by this name, no path
  const WCHAR* settingsKey = settings::kVideoFormatKeyPath;
};

class SetupActions {
 public:
  // Loads the caption, string 1.
  explicit SetupActions(SetupEnvironment environment);

  const WideText& Caption() const { return caption_; }

  // The entries the dialog starts with: the setup defaults, read over by the
  // stored settings, and the stored sender frames are accepted from.
  SetupEntries Start() const;

  // Collect and save: checks the entries and writes them. False after telling
  // the user why (invalid values, with the first bad field and its range; a
  // sender that cannot be found; the key or a value could not be written).
  // A format that was saved but cannot stream is warned about; that still
  // counts as saved.
  bool Save(const SetupEntries& entries) const;
  // The same for settings that come whole (Detect from the command line).
  // `acceptFrom`: the sender to store (spaces around it dropped; empty: any
  // sender, the value deleted); nothing: the stored one stays as it is.
  bool SaveSettings(const VideoFormatSettings& settings,
                    std::optional<WideText> acceptFrom = std::nullopt) const;

  // Loads the library by its file name, calls its DllRegisterServer inside OLE
  // initialisation and frees it again; every failure is a message. True when
  // the library registered itself.
  bool Register() const;

  // OK and Apply alike: save, and register when saving succeeded. OK then
  // closes the dialog whatever happened; Apply keeps it open.
  SaveOutcome SaveAndRegister(const SetupEntries& entries) const;

  // A string-table message with "%1" and "%2" filled in, with a warning icon.
  void ShowStringMessage(unsigned id, const WideText& first = {},
                         const WideText& second = {}) const;
  // A message of the program's own, with a warning icon.
  void ShowWarning(const WideText& text) const { Show(text, kWarningBox); }

 private:
  void Show(const WideText& text, UINT flags) const;

  SetupEnvironment environment_;
  WideText caption_;
};

}  // namespace orlin::setup
