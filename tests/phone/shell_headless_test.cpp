// orlin-phone --headless as scripts run it: it streams until a signal, then
// stops and says what it sent; it refuses to run twice and fails without a
// camera.
#include <gtest/gtest.h>
#include <signal.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>

#include "tests/phone/shell_program.h"
#include "tests/phone/support/datagram_receiver.h"
#include "tests/support/stream_port.h"
#include "tests/support/wait.h"
#include "wire/stream.h"

namespace orlin::test {
namespace {

struct Summary {
  unsigned long long frames = 0;
  unsigned long long bytes = 0;
  bool parsed = false;
};

Summary ParseSummary(const std::string& output) {
  Summary summary;
  const std::size_t at = output.find("sent ");
  summary.parsed = at != std::string::npos &&
                   std::sscanf(output.c_str() + at, "sent %llu frames, %llu bytes", &summary.frames,
                               &summary.bytes) == 2;
  return summary;
}

// It says so once it holds the one-instance lock, its capture runs and the
// stop signals wait for it.
bool SaysItStreams(const PhoneProcess& phone) {
  return WaitUntil(
      [&] { return phone.Errors().find("orlin-phone: streaming") != std::string::npos; });
}

TEST(PhoneHeadless, StreamsUntilSigtermThenCountsWhatItSent) {
  StreamPortTurn turn;  // the program sends to the real port
  DatagramReceiver pc(wire::kStreamPort);
  ASSERT_TRUE(pc.Bound());
  PhoneScratch scratch;
  PhoneProcess phone(scratch, {"--headless", "--camera", "test"}, "phone");
  const std::vector<Datagram> received = pc.Take(10);
  ASSERT_GE(received.size(), 10u) << phone.Errors();
  phone.Signal(SIGTERM);
  ASSERT_EQ(phone.Wait(), 0) << phone.Errors();

  std::cout << "headless: " << phone.Output();
  const Summary summary = ParseSummary(phone.Output());
  ASSERT_TRUE(summary.parsed) << phone.Output();
  // The default test camera streams compressed: one datagram a frame.
  EXPECT_GE(summary.frames, received.size());
  std::uint64_t receivedBytes = 0;
  for (const Datagram& d : received) receivedBytes += d.size();
  EXPECT_GE(summary.bytes, receivedBytes);
  EXPECT_NE(phone.Output().find("YV12  176 x 144 compressed"), std::string::npos) << phone.Output();
  EXPECT_NE(phone.Errors().find("camera test"), std::string::npos) << phone.Errors();
}

TEST(PhoneHeadless, SigintStopsItAsCleanly) {
  PhoneScratch scratch;
  PhoneProcess phone(scratch, {"--headless"}, "phone");
  EXPECT_TRUE(SaysItStreams(phone)) << phone.Errors();
  phone.Signal(SIGINT);
  EXPECT_EQ(phone.Wait(), 0) << phone.Errors();
  EXPECT_TRUE(ParseSummary(phone.Output()).parsed) << phone.Output();
}

TEST(PhoneHeadless, SecondStartSaysOneIsRunningAndEnds) {
  PhoneScratch scratch;
  PhoneProcess first(scratch, {"--headless"}, "first");
  EXPECT_TRUE(SaysItStreams(first)) << first.Errors();
  PhoneProcess second(scratch, {"--headless"}, "second");
  EXPECT_EQ(second.Wait(), 1);
  EXPECT_NE(second.Errors().find("already running"), std::string::npos) << second.Errors();
  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0) << first.Errors();
}

TEST(PhoneHeadless, MissingCameraFailsWithTheTwoMessages) {
  PhoneScratch scratch;
  PhoneProcess phone(scratch, {"--headless", "--camera", scratch.Dir() + "/none.y4m"}, "phone");
  EXPECT_EQ(phone.Wait(), 1);
  EXPECT_NE(phone.Errors().find("Camera not found"), std::string::npos) << phone.Errors();
  EXPECT_NE(phone.Errors().find("Starting the capture failed"), std::string::npos) << phone.Errors();
  EXPECT_NE(phone.Errors().find("cannot open " + scratch.Dir() + "/none.y4m"), std::string::npos)
      << "the reason is kept: " << phone.Errors();
}

TEST(PhoneHeadless, StoredSettingsItCannotUseAreSaidAndHandled) {
  struct Case {
    const char* hive;  // the phone's hive as a user's earlier session left it
    int exitCode;      // 0: it streams until SIGTERM
    const char* says;
  };
  const Case cases[] = {
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin]\n"
       "\"DestinationAddress\"=\"nosuch.invalid\"\n",
       1, "the destination nosuch.invalid does not resolve"},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Orlin\\VideoFormat]\n"
       "\"FourCC\"=hex:59,55,59,32\n\"Width\"=dword:000003e8\n\"Height\"=dword:0000000a\n",
       0, "does not offer the stored format YUY2  1000 x 10; streaming its first format, YV12  176 x 144"},
  };
  for (const Case& c : cases) {
    PhoneScratch scratch;
    std::ofstream(scratch.Hive()) << "Windows Registry Editor Version 5.00\n\n" << c.hive;
    PhoneProcess phone(scratch, {"--headless", "--camera", "test"}, "phone");
    if (c.exitCode == 0) {
      EXPECT_TRUE(SaysItStreams(phone)) << phone.Errors();
      phone.Signal(SIGTERM);
    }
    EXPECT_EQ(phone.Wait(), c.exitCode) << phone.Errors();
    EXPECT_NE(phone.Errors().find(c.says), std::string::npos) << phone.Errors();
  }
}

TEST(PhoneHeadless, BadUsageExitsTwoAndHelpNamesTheHive) {
  PhoneScratch scratch;
  PhoneProcess bad(scratch, {"--frobnicate"}, "bad");
  EXPECT_EQ(bad.Wait(), 2);
  EXPECT_NE(bad.Errors().find("--frobnicate"), std::string::npos);
  PhoneProcess help(scratch, {"--help"}, "help");
  EXPECT_EQ(help.Wait(), 0);
  EXPECT_NE(help.Output().find("ORLIN_PHONE_REGISTRY"), std::string::npos);
  EXPECT_NE(help.Output().find("test camera"), std::string::npos);
}

}  // namespace
}  // namespace orlin::test
