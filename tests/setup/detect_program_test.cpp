// orlin-setup --detect, run as a user runs it, with the announcement port and
// the PC hive of the test's own: it saves and registers what a phone
// announces, fails when nothing comes, and refuses a bad --seconds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/video_format_settings.h"
#include "tests/setup/announcer.h"
#include "wire/four_cc.h"

extern char** environ;

namespace orlin::setup {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  std::remove(path.c_str());
  return text.str();
}

class DetectProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = FreeAnnouncementPort();
    setenv("ORLIN_ANNOUNCEMENT_PORT", std::to_string(port_).c_str(), 1);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, settings::kVideoFormatKeyPath);
  }
  void TearDown() override { unsetenv("ORLIN_ANNOUNCEMENT_PORT"); }

  // orlin-setup with `args`, its exit status and what it wrote.
  static Outcome RunSetup(std::vector<std::string> args) {
    std::string program = ORLIN_SETUP_PROGRAM;
    std::vector<char*> argv{program.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = ::testing::TempDir() + "orlin-setup-detect.out";
    const std::string err = ::testing::TempDir() + "orlin-setup-detect.err";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Outcome run;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ) == 0) {
      int status = 0;
      waitpid(pid, &status, 0);
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&files);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
  }

  std::uint16_t port_ = 0;
};

TEST_F(DetectProgram, SavesAndRegistersTheSettingsThatReceiveTheAnnouncedStream) {
  Outcome run;
  {
    const Announcer phone(port_, PhoneAnnouncement(wire::kFourCC_YV12, 12, true));
    run = RunSetup({"--detect", "--seconds", "20"});
  }
  EXPECT_EQ(run.status, 0) << run.err;
  settings::VideoFormatSettings stored{};
  settings::ReadVideoFormatSettings(stored);
  EXPECT_EQ(stored, (settings::VideoFormatSettings{wire::kFourCC_IYUV, 320, 240, 12, 1, 0, 1}));
  EXPECT_NE(run.out.find("saved IYUV 320 x 240, 12 bits per pixel, Compression on, "
                         "PixelCorrection off, SwapUV on"),
            std::string::npos)
      << run.out;
  const char* hive = std::getenv("ORLIN_PC_REGISTRY");
  ASSERT_NE(hive, nullptr);
  EXPECT_NE(run.out.find(std::string(" in ") + hive), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("registered liborlin.so"), std::string::npos) << run.out;
  // The phone's address, as the one sender frames are taken from.
  EXPECT_EQ(settings::ReadTextSetting(settings::kAcceptFromValueName),
            std::optional<std::basic_string<WCHAR>>(ORLIN_TEXT("127.0.0.1")));
  EXPECT_NE(run.out.find("Frames will be accepted only from 127.0.0.1, the phone's address."),
            std::string::npos)
      << run.out;
}

TEST_F(DetectProgram, AnySenderRemovesTheStoredSender) {
  ASSERT_EQ(settings::WriteTextSetting(settings::kAcceptFromValueName, ORLIN_TEXT("192.0.2.1")),
            ERROR_SUCCESS);
  Outcome run;
  {
    const Announcer phone(port_, PhoneAnnouncement(wire::kFourCC_YV12, 12, true));
    run = RunSetup({"--detect", "--any-sender", "--seconds", "20"});
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(settings::ReadTextSetting(settings::kAcceptFromValueName), std::nullopt);
  EXPECT_NE(run.out.find("Frames will be accepted from any sender."), std::string::npos) << run.out;
}

// The phone's level is known here: level 3's fixed-size payload of 640 x 480
// is always longer than one datagram, not "may be".
TEST_F(DetectProgram, FramesInPiecesAreNamedForTheAnnouncedLevel) {
  wire::Announcement a = PhoneAnnouncement(wire::kFourCC_YV12, 12, true);
  a.width = 640;
  a.height = 480;
  a.sampleSize = 640 * 480 * 12 / 8;
  a.level = 3;
  Outcome run;
  {
    const Announcer phone(port_, a);
    run = RunSetup({"--detect", "--seconds", "20"});
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Frames go in pieces: the phone must send large frames."),
            std::string::npos)
      << run.out;
}

TEST_F(DetectProgram, NothingComingFailsAndSaysWhereItListenedAndWhatToCheck) {
  const Outcome run = RunSetup({"--detect", "--seconds", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("UDP port " + std::to_string(port_) + " within 1 second"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("orlin-phone is running"), std::string::npos) << run.err;
  settings::VideoFormatSettings stored{};
  settings::ReadVideoFormatSettings(stored);
  EXPECT_EQ(stored.Width, 0u) << "nothing saved";
}

TEST_F(DetectProgram, BadOptionsAreAUsageErrorNamingTheOption) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--detect", "--seconds", "0"},
                                             {"--detect", "--seconds", "3601"},
                                             {"--detect", "--seconds", "5s"},
                                             {"--detect", "--seconds"},
                                             {"--seconds", "5"},
                                             {"--any-sender"}}) {
    const Outcome run = RunSetup(args);
    EXPECT_EQ(run.status, 2) << args.back();
    const std::string option = args.size() > 1 ? "--seconds" : args[0];
    EXPECT_NE(run.err.find(option), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace orlin::setup
