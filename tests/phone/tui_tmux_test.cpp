// The real orlin-phone in a terminal (tmux), driven with the keys a user
// presses: each dialog opened, a setting changed, the program closed. Every
// screen goes into the test output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "tests/phone/shell_program.h"

namespace orlin::test {
namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string RunCommand(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return output;
  std::array<char, 4096> buffer;
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) output.append(buffer.data(), n);
  return output;
}

class TmuxPhone : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunCommand("command -v tmux").empty()) GTEST_SKIP() << "tmux is not installed";
    // The shell that reports the exit status must outlive a Ctrl-C, which the
    // terminal sends to it as well; the program sets its own handler.
    std::string command = "trap '' INT; ";
    for (const std::string& pair : scratch_.Environment()) command += pair + " ";
    command += "TERM=screen " + std::string(ORLIN_PHONE_PROGRAM) + "; echo $? > " +
               Quote(scratch_.Dir() + "/exit");
    Tmux("-f /dev/null new-session -d -s phone -x 80 -y 24 " + Quote(command));
  }
  void TearDown() override { Tmux("kill-server 2>/dev/null"); }

  std::string Tmux(const std::string& args) {
    return RunCommand("tmux -L " + socket_ + " " + args + " 2>&1");
  }
  std::string Screen() { return Tmux("capture-pane -p -t phone"); }
  void Keys(const std::string& keys) { Tmux("send-keys -t phone " + keys); }
  void Type(const std::string& text) { Tmux("send-keys -t phone -l " + Quote(text)); }

  // Waits until the screen shows `text`; false (and the screen) after 10 s.
  bool WaitFor(const std::string& text) {
    for (int i = 0; i < 500; ++i) {
      if (Screen().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::cout << "---- waited in vain for \"" << text << "\" on:\n" << Screen();
    return false;
  }
  void Print(const std::string& name) {
    std::cout << "---- " << name << " ----\n" << Screen() << std::flush;
  }
  bool Exited() {
    for (int i = 0; i < 500; ++i) {
      if (!ReadFile(scratch_.Dir() + "/exit").empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  PhoneScratch scratch_;
  std::string socket_ = "orlin-phone-test-" + std::to_string(::getpid());
};

TEST_F(TmuxPhone, EveryDialogOpensChangesItsSettingAndTheProgramCloses) {
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.1"));
  ASSERT_TRUE(WaitFor("YV12  176 x 144"));
  EXPECT_TRUE(WaitFor("Orlin Camera Version 0.07"));
  EXPECT_TRUE(WaitFor("F1 Close"));
  EXPECT_TRUE(WaitFor("Settings F2"));
  EXPECT_TRUE(WaitFor("Camera: test (built-in test camera)"));
  Print("main screen");

  Keys("F2");
  ASSERT_TRUE(WaitFor("Destination Address"));
  Print("Settings menu");
  Keys("1");
  ASSERT_TRUE(WaitFor("Select Video Format:"));
  EXPECT_TRUE(WaitFor("> YV12  176 x 144"));
  EXPECT_TRUE(WaitFor("F1 OK"));
  EXPECT_TRUE(WaitFor("Cancel F2"));
  Print("Video Format dialog");
  Keys("Down");
  ASSERT_TRUE(WaitFor("> YV12  320 x 240"));
  Keys("F1");
  ASSERT_TRUE(WaitFor("Streaming to:"));
  ASSERT_TRUE(WaitFor("YV12  320 x 240"));
  Print("main screen after Video Format");

  Keys("F2");
  ASSERT_TRUE(WaitFor("Compression"));
  Keys("2");
  ASSERT_TRUE(WaitFor("Destination Address:"));
  ASSERT_TRUE(WaitFor("[localhost"));
  Print("Destination Address dialog");
  Type("127.0.0.29");
  Keys("BSpace");  // Back edits the text and leaves the dialog open
  ASSERT_TRUE(WaitFor("[127.0.0.2 "));
  EXPECT_NE(Screen().find("Destination Address:"), std::string::npos);
  Print("Destination Address dialog after Back");
  Keys("F1");
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.2"));
  Print("main screen after Destination Address");

  Keys("F2");
  ASSERT_TRUE(WaitFor("Compression"));
  Keys("3");
  ASSERT_TRUE(WaitFor("Number of Reductions:"));
  ASSERT_TRUE(WaitFor("[x] Compression"));
  ASSERT_TRUE(WaitFor("[ ] PixelCorrection"));
  ASSERT_TRUE(WaitFor("[2"));
  Print("Compression dialog");
  Keys("Space Tab Tab");
  Type("1");
  ASSERT_TRUE(WaitFor("[ ] Compression"));
  ASSERT_TRUE(WaitFor("[1 "));
  Print("Compression dialog changed");
  Keys("F1");
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.2"));
  Keys("F2");
  ASSERT_TRUE(WaitFor("Compression"));
  Keys("3");
  ASSERT_TRUE(WaitFor("[ ] Compression"));
  ASSERT_TRUE(WaitFor("[1 "));
  Print("Compression dialog reopened");
  Keys("F2");  // Cancel
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.2"));

  // A name that does not resolve: the message box over the main screen,
  // captioned "Orlin", and the frames keep going to the old address.
  Keys("F2");
  ASSERT_TRUE(WaitFor("Compression"));
  Keys("2");
  ASSERT_TRUE(WaitFor("Destination Address:"));
  Type("nosuch.invalid");
  Keys("F1");
  ASSERT_TRUE(WaitFor("nosuch.invalid not found"));
  EXPECT_TRUE(WaitFor(" Orlin "));
  Print("message box");
  Keys("Enter");
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.2"));
  Print("main screen after the message");

  Keys("F1");
  ASSERT_TRUE(Exited());
  EXPECT_EQ(ReadFile(scratch_.Dir() + "/exit"), "0\n");
  const std::string hive = ReadFile(scratch_.Hive());
  std::cout << "---- phone hive ----\n" << hive;
  EXPECT_NE(hive.find("\"DestinationAddress\"=\"nosuch.invalid\""), std::string::npos);
  EXPECT_NE(hive.find("\"Compression\"=dword:00000000"), std::string::npos);
  EXPECT_NE(hive.find("\"NumReductions\"=dword:00000001"), std::string::npos);
  EXPECT_NE(hive.find("\"Width\"=dword:00000140"), std::string::npos);
}

TEST_F(TmuxPhone, CtrlCInADialogCancelsItAndClosesTheProgramCleanly) {
  ASSERT_TRUE(WaitFor("Streaming to: 127.0.0.1"));
  Keys("F2");
  ASSERT_TRUE(WaitFor("Destination Address"));
  Keys("2");
  ASSERT_TRUE(WaitFor("Destination Address:"));
  Type("10.1.2.3");
  Keys("C-c");
  ASSERT_TRUE(Exited());
  EXPECT_EQ(ReadFile(scratch_.Dir() + "/exit"), "0\n");
  EXPECT_EQ(ReadFile(scratch_.Hive()).find("10.1.2.3"), std::string::npos);
}

}  // namespace
}  // namespace orlin::test
