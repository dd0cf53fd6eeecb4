#include "setup/setup_actions.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "orlin/module.h"
#include "orlin/ole.h"
#include "orlin/udp_port.h"
#include "setup/setup_resources.h"
#include "setup/setup_texts.h"
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

// Without the spaces a pasted address brings along.
WideText Trimmed(const WideText& text) {
  const auto space = [](WCHAR c) { return c == ' ' || c == '\t'; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && space(text[begin])) ++begin;
  while (end > begin && space(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Why `sender` cannot be stored as the one frames are accepted from, as the
// user reads it; empty when it can. The filter resolves it anew at each start:
// one that does not resolve now would keep the camera from starting.
WideText AcceptFromProblem(const WideText& sender) {
  const WideText advice =
      Widen(" Enter the phone's IPv4 address, or leave it empty for any sender.");
  const WideText label = Widen(SETUP_ACCEPT_FROM_LABEL " ");
  if (sender.size() > settings::kMaxTextSettingChars) {
    const std::string limit = std::to_string(settings::kMaxTextSettingChars);
    return label + Widen(("the name is longer than " + limit + " characters.").c_str()) + advice;
  }
  WinsockSession winsock;
  winsock.Start();
  if (!ResolveIPv4(sender)) return label + sender + Widen(" cannot be found.") + advice;
  return {};
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
  SetupEntries entries = EntriesFor(LoadSetupSettings(environment_.settingsKey));
  if (const auto sender =
          settings::ReadTextSetting(settings::kAcceptFromValueName, environment_.settingsKey)) {
    entries.acceptFrom = *sender;
    entries.acceptFromUnreadable = sender->empty();
  }
  return entries;
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
  const bool keepStored = entries.acceptFromUnreadable && entries.acceptFrom.empty();
  return SaveSettings(CollectSettings(entries),
                      keepStored ? std::nullopt : std::optional(entries.acceptFrom));
}

bool SetupActions::SaveSettings(const VideoFormatSettings& settings,
                                std::optional<WideText> acceptFrom) const {
  const WideText invalid = InvalidFieldLine(settings);
  if (!invalid.empty()) {
    Show(Widen(kInvalidValues) + WCHAR('\n') + invalid, kErrorBox);
    return false;
  }
  if (acceptFrom) {
    *acceptFrom = Trimmed(*acceptFrom);
    const WideText problem = acceptFrom->empty() ? WideText() : AcceptFromProblem(*acceptFrom);
    if (!problem.empty()) {
      Show(problem, kErrorBox);
      return false;
    }
  }
  // A value that was not stored fails the save as a key that could not be
  // made does: the filter would otherwise run on a format nobody entered.
  if (settings::WriteVideoFormatSettings(settings, environment_.settingsKey) != ERROR_SUCCESS ||
      (acceptFrom && settings::WriteTextSetting(settings::kAcceptFromValueName, *acceptFrom,
                                                environment_.settingsKey) != ERROR_SUCCESS)) {
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
