// OrlinSetup.exe as its user meets it, driven from outside under Wine and a
// virtual X display: the dialog's first contents, typing into its fields,
// Apply, OK, Cancel and Detect, what lands in the registry, and the message
// boxes it shows. Leaves a picture of the dialog after Detect in
// setup-dialog.bmp in the working folder.
#include <gtest/gtest.h>

// Winsock's header (for the phone's announcement) goes before windows.h.
#include "tests/setup/announcer.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "setup/setup_resources.h"
#include "wire/four_cc.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Tessaly\\Orlin\\VideoFormat";
// The settings live in the 64-bit view whatever the bitness of the reader.
constexpr DWORD kAnySettingsValue = RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY;
constexpr wchar_t kServerKey[] = L"CLSID\\{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}\\InprocServer32";
constexpr auto kPatience = std::chrono::seconds(30);

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// What FindProcessDialog looks for, and what it found.
struct DialogSearch {
  DWORD process;
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process && IsWindowVisible(window) && ClassName(window) == L"#32770" &&
      WindowText(window) == *search->title) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first visible top-level dialog of `process` with the given title.
HWND FindProcessDialog(DWORD process, const std::wstring& title) {
  DialogSearch search{process, &title, nullptr};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD ReadDword(const wchar_t* name) {
  DWORD value = 0xDEADBEEF;
  DWORD size = sizeof value;
  RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, kAnySettingsValue, nullptr, &value, &size);
  return value;
}

bool SettingsStored() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// Writes the window as the screen shows it into a 24-bit BMP file.
bool SaveScreenshot(HWND window, const wchar_t* path) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  const DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
  const DWORD pixels = stride * DWORD(height);
  BITMAPFILEHEADER file{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + pixels),
                        0, 0, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
  bool written = false;
  HANDLE out =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copied && out != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    written = WriteFile(out, &file, sizeof file, &done, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
              WriteFile(out, bits, pixels, &done, nullptr);
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

class SetupDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    // No window manager runs on the virtual display: Wine draws the frames and
    // captions itself, so the picture shows them.
    HKEY x11 = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &x11, nullptr) == ERROR_SUCCESS) {
      RegSetValueExW(x11, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 4);
      RegCloseKey(x11);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_WOW64_64KEY, 0);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID\\{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}");
    // Detect listens on a port of the test's own; the program inherits it.
    announcementPort_ = orlin::setup::FreeAnnouncementPort();
    SetEnvironmentVariableW(L"ORLIN_ANNOUNCEMENT_PORT",
                            std::to_wstring(announcementPort_).c_str());
  }
  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  // Starts the program at `program` in its own folder and waits for its dialog.
  void Start(const std::wstring& program) {
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, folder.c_str(), &startup, &process_))
        << GetLastError();
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while ((dialog_ = FindProcessDialog(process_.dwProcessId, L"Orlin Camera Setup")) == nullptr) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the dialog did not show";
      Sleep(50);
    }
  }

  std::wstring Text(int id) const {
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog_, id, text, 128);
    return text;
  }
  // Replaces a field's text by typing, as a user does.
  void Type(int id, const std::wstring& keys) const {
    HWND control = GetDlgItem(dialog_, id);
    SendMessageW(control, EM_SETSEL, 0, -1);
    SendMessageW(control, WM_CHAR, VK_BACK, 0);
    for (const wchar_t key : keys) SendMessageW(control, WM_CHAR, key, 0);
  }
  std::wstring SelectedBitsPerPixel() const {
    HWND list = GetDlgItem(dialog_, IDC_BITS_PER_PIXEL);
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return L"";
    wchar_t text[16] = {};
    SendMessageW(list, CB_GETLBTEXT, WPARAM(index), LPARAM(text));
    return text;
  }
  bool Checked(int id) const {
    return SendDlgItemMessageW(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  // Presses a button; answers every message box the press shows with OK and
  // returns their texts, once the press has been handled.
  std::vector<std::wstring> Press(int id) {
    std::atomic<bool> handled{false};
    HWND dialog = dialog_;
    std::thread press([&handled, dialog, id] {
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
      handled = true;
    });
    std::vector<std::wstring> texts;
    HWND answered = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!handled && std::chrono::steady_clock::now() < deadline) {
      HWND box = FindProcessDialog(process_.dwProcessId, L"OrlinSetup");
      if (box != nullptr && box != answered) {
        EXPECT_EQ(GetWindow(box, GW_OWNER), dialog_) << "message boxes belong to the dialog";
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        texts.push_back(text);
        answered = box;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(50);
    }
    if (!handled) {
      ADD_FAILURE() << "the button press never ended";
      TerminateProcess(process_.hProcess, 1);
    }
    press.join();
    return texts;
  }
  // Waits for the next message box, answers it with OK and returns its text.
  std::wstring AwaitMessage() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      if (HWND box = FindProcessDialog(process_.dwProcessId, L"OrlinSetup")) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box) && std::chrono::steady_clock::now() < deadline) Sleep(20);
        return text;
      }
      Sleep(50);
    }
    ADD_FAILURE() << "no message box came";
    return {};
  }
  // The program's exit code once it has ended, or STILL_ACTIVE.
  DWORD ExitCode() const {
    WaitForSingleObject(process_.hProcess, 10000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  PROCESS_INFORMATION process_{};
  HWND dialog_ = nullptr;
  std::uint16_t announcementPort_ = 0;
};

TEST_F(SetupDialog, StartsWithTheSetupDefaultsAndCancelSavesNothing) {
  Start(ProgramFolder() + L"OrlinSetup.exe");
  EXPECT_EQ(Text(IDC_FOURCC), L"IYUV");
  EXPECT_EQ(Text(IDC_WIDTH), L"176");
  EXPECT_EQ(Text(IDC_HEIGHT), L"144");
  EXPECT_EQ(SelectedBitsPerPixel(), L"12");
  EXPECT_EQ(SendDlgItemMessageW(dialog_, IDC_BITS_PER_PIXEL, CB_GETCOUNT, 0, 0), 7);
  EXPECT_TRUE(Checked(IDC_COMPRESSION));
  EXPECT_FALSE(Checked(IDC_PIXEL_CORRECTION));
  EXPECT_FALSE(Checked(IDC_SWAP_UV));
  EXPECT_EQ(Text(IDC_STATUS), L"");
  EXPECT_EQ(Text(IDC_ACCEPT_FROM), L"") << "any sender";

  EXPECT_TRUE(Press(IDCANCEL).empty());
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_FALSE(SettingsStored()) << "Cancel saves nothing";
}

TEST_F(SetupDialog, TypedFormatIsStoredAndTheLibraryRegisteredAtEachApply) {
  Start(ProgramFolder() + L"OrlinSetup.exe");
  Type(IDC_FOURCC, L"yv12x");
  EXPECT_EQ(Text(IDC_FOURCC), L"YV12") << "upper case, four characters";
  Type(IDC_WIDTH, L"3a20");
  EXPECT_EQ(Text(IDC_WIDTH), L"320") << "digits only";
  Type(IDC_HEIGHT, L"240");
  SendDlgItemMessageW(dialog_, IDC_BITS_PER_PIXEL, CB_SETCURSEL, 4, 0);  // "16"
  SendDlgItemMessageW(dialog_, IDC_COMPRESSION, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageW(dialog_, IDC_PIXEL_CORRECTION, BM_SETCHECK, BST_CHECKED, 0);

  EXPECT_TRUE(Press(IDC_APPLY).empty());
  EXPECT_EQ(Text(IDC_STATUS), L"Saved and registered.");
  BYTE fourCC[8] = {};
  DWORD size = sizeof fourCC;
  DWORD type = 0;
  EXPECT_EQ(
      RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"FourCC", kAnySettingsValue, &type, fourCC, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(fourCC), size), "YV12");
  EXPECT_EQ(ReadDword(L"Width"), 320u);
  EXPECT_EQ(ReadDword(L"Height"), 240u);
  EXPECT_EQ(ReadDword(L"BitsPerPixel"), 16u);
  EXPECT_EQ(ReadDword(L"Compression"), 0u);
  EXPECT_EQ(ReadDword(L"PixelCorrection"), 1u);
  EXPECT_EQ(ReadDword(L"SwapUV"), 0u);
  wchar_t server[MAX_PATH] = {};
  DWORD serverSize = sizeof server;
  EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, kServerKey, nullptr, RRF_RT_REG_SZ, nullptr, server,
                         &serverSize),
            ERROR_SUCCESS);
  EXPECT_NE(std::wstring(server).find(L"Orlin.dll"), std::wstring::npos);

  // Again: written and registered anew, silently, and the dialog stays.
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_WOW64_64KEY, 0);
  EXPECT_TRUE(Press(IDC_APPLY).empty());
  EXPECT_EQ(ReadDword(L"Width"), 320u);
  EXPECT_TRUE(IsWindow(dialog_));

  Type(IDC_FOURCC, L"yv");
  EXPECT_TRUE(Press(IDOK).empty());
  EXPECT_EQ(ExitCode(), 0u);
  size = sizeof fourCC;
  RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"FourCC", kAnySettingsValue, nullptr, fourCC, &size);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(fourCC), size), std::string("YV\0\0", 4));
}

TEST_F(SetupDialog, InvalidWidthIsRefusedAndOkStillCloses) {
  Start(ProgramFolder() + L"OrlinSetup.exe");
  EXPECT_EQ(Text(IDC_LARGE_FRAMES), L"");
  // The line under the fields follows them as they are typed.
  Type(IDC_WIDTH, L"1920");
  Type(IDC_HEIGHT, L"1080");
  EXPECT_EQ(Text(IDC_LARGE_FRAMES),
            L"Frames may go in pieces: the phone must send large frames.");
  Type(IDC_WIDTH, L"40970");
  EXPECT_EQ(Text(IDC_WIDTH), L"4097");
  EXPECT_EQ(Text(IDC_LARGE_FRAMES), L"") << "nothing to say about a format that cannot be saved";
  const std::vector<std::wstring> applied = Press(IDC_APPLY);
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_EQ(applied[0], L"One or more of the values are invalid.\nWidth must be 1 to 4096.");
  EXPECT_EQ(Text(IDC_STATUS), L"Nothing was saved.");
  EXPECT_TRUE(IsWindow(dialog_));
  EXPECT_FALSE(SettingsStored());

  EXPECT_EQ(Press(IDOK).size(), 1u);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_FALSE(SettingsStored());
}

TEST_F(SetupDialog, AbsentLibraryIsNamedWithError126) {
  // A copy of the program in a folder of its own finds no Orlin.dll.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"orlin-setup-alone";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring program = folder + L"\\OrlinSetup.exe";
  ASSERT_TRUE(CopyFileW((ProgramFolder() + L"OrlinSetup.exe").c_str(), program.c_str(), FALSE));
  Start(program);
  const std::vector<std::wstring> texts = Press(IDC_APPLY);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0],
            L"Orlin.dll was not found, but you can register it manually with the command "
            L"'regsvr32 \"Orlin.dll\"'.\nGetLastError returns 0x0000007e.");
  EXPECT_EQ(ReadDword(L"Width"), 176u) << "saved before the registration";
  EXPECT_EQ(Text(IDC_STATUS), L"Saved, but the camera was not registered.");
  EXPECT_TRUE(Press(IDCANCEL).empty());
  EXPECT_EQ(ExitCode(), 0u);
  DeleteFileW(program.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(SetupDialog, DetectFillsTheFieldsFromThePhonesAnnouncementWithoutSaving) {
  Start(ProgramFolder() + L"OrlinSetup.exe");
  // Nothing announced: a message says where it listened and what to check.
  EXPECT_TRUE(Press(IDC_DETECT).empty());
  EXPECT_EQ(Text(IDC_STATUS).find(L"Listening on UDP port"), 0u);
  const std::wstring nothing = AwaitMessage();
  EXPECT_NE(nothing.find(L"UDP port " + std::to_wstring(announcementPort_) + L" within 3 seconds"),
            std::wstring::npos);
  EXPECT_NE(nothing.find(L"OrlinPhone.exe"), std::wstring::npos);

  {
    const orlin::setup::Announcer phone(
        announcementPort_, orlin::setup::PhoneAnnouncement(orlin::wire::kFourCC_YV12, 12, true));
    EXPECT_TRUE(Press(IDC_DETECT).empty());
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (Text(IDC_WIDTH) != L"320" && std::chrono::steady_clock::now() < deadline) Sleep(50);
  }
  EXPECT_EQ(Text(IDC_FOURCC), L"IYUV");
  EXPECT_EQ(Text(IDC_WIDTH), L"320");
  EXPECT_EQ(Text(IDC_HEIGHT), L"240");
  EXPECT_EQ(SelectedBitsPerPixel(), L"12");
  EXPECT_TRUE(Checked(IDC_COMPRESSION));
  EXPECT_FALSE(Checked(IDC_PIXEL_CORRECTION));
  EXPECT_TRUE(Checked(IDC_SWAP_UV));
  EXPECT_EQ(Text(IDC_ACCEPT_FROM), L"127.0.0.1") << "the phone's address";
  EXPECT_EQ(Text(IDC_STATUS), L"Filled in from the phone. OK or Apply saves.");
  EXPECT_FALSE(SettingsStored()) << "Detect saves nothing";

  SetForegroundWindow(dialog_);
  RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(500);
  EXPECT_TRUE(SaveScreenshot(dialog_, L"setup-dialog.bmp"));

  EXPECT_TRUE(Press(IDOK).empty());
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(ReadDword(L"Width"), 320u);
  EXPECT_EQ(ReadDword(L"SwapUV"), 1u);
  wchar_t sender[64] = {};
  DWORD senderSize = sizeof sender;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"AcceptFrom",
                         RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, sender, &senderSize),
            ERROR_SUCCESS);
  EXPECT_STREQ(sender, L"127.0.0.1");
}

}  // namespace
