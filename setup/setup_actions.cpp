#include "setup/setup_actions.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "orlin/module.h"
#include "orlin/ole.h"
#include "setup/setup_resources.h"
#include "setup/stream_check.h"

namespace orlin::setup {
namespace {

using RegisterFunction = HRESULT(STDMETHODCALLTYPE*)();

// Frees the library it holds when it goes.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(HMODULE module) : module_(module) {}
  ~LoadedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  HMODULE Get() const { return module_; }

 private:
  HMODULE module_;
};

// A system error code as "0x%08lx".
WideText ErrorCodeText(DWORD code) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08" PRIx32, static_cast<std::uint32_t>(code));
  return Widen(text);
}

}  // namespace

WideText OutcomeText(SaveOutcome outcome) {
  switch (outcome) {
    case SaveOutcome::kSavedAndRegistered:
      return Widen("Saved and registered.");
    case SaveOutcome::kSavedNotRegistered:
      return Widen("Saved, but the camera was not registered.");
    case SaveOutcome::kNotSaved:
      break;
  }
  return Widen("Nothing was saved.");
}

SetupActions::SetupActions(SetupEnvironment environment) : environment_(std::move(environment)) {
  caption_ = environment_.strings(IDS_CAPTION);
  if (caption_.size() > kCaptionChars - 1) caption_.resize(kCaptionChars - 1);
}

SetupEntries SetupActions::Start() const {
  return EntriesFor(LoadSetupSettings(environment_.settingsKey));
}

void SetupActions::Show(const WideText& text, UINT flags) const {
  ShowMessage(environment_.owner, text.c_str(), caption_.c_str(), flags);
}

void SetupActions::ShowStringMessage(unsigned id, const WideText& first,
                                     const WideText& second) const {
  WideText text = environment_.strings(id);
  if (text.size() > kMessageChars - 1) text.resize(kMessageChars - 1);
  Show(ExpandText(text, first, second), kWarningBox);
}

bool SetupActions::Save(const SetupEntries& entries) const {
  return SaveSettings(CollectSettings(entries));
}

bool SetupActions::SaveSettings(const VideoFormatSettings& settings) const {
  const WideText invalid = InvalidFieldLine(settings);
  if (!invalid.empty()) {
    Show(Widen(kInvalidValues) + WCHAR('\n') + invalid, kErrorBox);
    return false;
  }
  // A value that was not stored fails the save as a key that could not be
  // made does: the filter would otherwise run on a format nobody entered.
  if (settings::WriteVideoFormatSettings(settings, environment_.settingsKey) != ERROR_SUCCESS) {
    ShowStringMessage(IDS_SAVE_FAILED);
    return false;
  }
  const WideText warning = StreamWarning(settings);
  if (!warning.empty()) Show(warning, kWarningBox);
  return true;
}

bool SetupActions::Register() const {
  if (FAILED(OleInitialize(nullptr))) {
    ShowStringMessage(IDS_OLE_FAILED);
    return false;
  }
  // Our messages say what went wrong; the system shows no boxes of its own.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  const WideText& name = environment_.libraryFileName;
  bool registered = false;
  {
    LoadedLibrary library(LoadLibraryExW(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    // Handles below 32 are the failure codes of old.
    if (reinterpret_cast<std::uintptr_t>(library.Get()) < 32) {
      const DWORD error = GetLastError();
      ShowStringMessage(IDS_LIBRARY_NOT_FOUND, name, ErrorCodeText(error));
    } else {
      const auto registerServer = reinterpret_cast<RegisterFunction>(
          reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), kRegisterEntryPoint)));
      if (registerServer == nullptr) {
        ShowStringMessage(IDS_ENTRY_POINT_MISSING, name, Widen(kRegisterEntryPoint));
      } else if (FAILED(registerServer())) {
        ShowStringMessage(IDS_REGISTRATION_FAILED, Widen(kRegisterEntryPoint), name);
      } else {
        registered = true;
      }
    }
  }
  OleUninitialize();
  return registered;
}

SaveOutcome SetupActions::SaveAndRegister(const SetupEntries& entries) const {
  if (!Save(entries)) return SaveOutcome::kNotSaved;
  return Register() ? SaveOutcome::kSavedAndRegistered : SaveOutcome::kSavedNotRegistered;
}

}  // namespace orlin::setup
