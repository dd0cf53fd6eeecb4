// Runs the real orlin-codec executable through the shell, as a user would.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "codec/codec.h"
#include "tests/support/test_data.h"
#include "tools/orlin-codec/frame_coder.h"
#include "tools/orlin-codec/psnr.h"

namespace orlin::tool {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class OrlinCodecCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orlin-codec-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }
  static std::string Data(const std::string& name) { return test::TestDataPath(name); }

  // Runs "orlin-codec ARGS" in the temporary folder; ARGS may hold pipes and
  // redirections, where $OC names the executable again.
  RunResult Run(const std::string& arguments) {
    const std::string command = "cd '" + dir_.string() + "' && OC='" ORLIN_CODEC_EXE "' && { \"$OC\" " + arguments +
                                "; } >stdout.txt 2>stderr.txt";
    RunResult result;
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(Path("stdout.txt"));
    result.err = ReadFile(Path("stderr.txt"));
    return result;
  }

  fs::path dir_;
};

TEST_F(OrlinCodecCli, EncodeThenDecodeGivesBackACloseFrameAtEveryLevel) {
  // Honest floors a little under what the codec's quantiser gives these pictures.
  const double minimumPsnr[] = {38.0, 31.0, 26.0, 26.0};
  FrameCoder coder({176, 144});
  for (const char* picture : test::kTestPictures) {
    const std::string input = Data(std::string(picture) + "_176x144.yv12");
    const std::vector<std::uint8_t> original = test::ReadTestFrame(picture, 176, 144);
    for (int level = 0; level <= 3; ++level) {
      SCOPED_TRACE(std::string(picture) + " level " + std::to_string(level));
      RunResult encoded = Run("encode --size 176x144 --level " + std::to_string(level) + " '" + input + "' enc");
      ASSERT_EQ(encoded.status, 0) << encoded.err;
      EXPECT_EQ(encoded.err, "");
      RunResult decoded = Run(std::string("decode --size 176x144 ") + (level == 3 ? "--fixed " : "") + "enc dec");
      ASSERT_EQ(decoded.status, 0) << decoded.err;
      EXPECT_EQ(decoded.err, "");

      // The record holds exactly the phone's payload at the phone's capacity.
      std::vector<std::uint8_t> payload;
      coder.Encode(original.data(), level, DefaultCapacity({176, 144}), payload);
      const std::string record = ReadFile(Path("enc"));
      ASSERT_EQ(record.size(), 4 + payload.size());
      EXPECT_EQ(Bytes(record.substr(4)), payload);
      EXPECT_EQ(std::uint8_t(record[0]) | std::uint8_t(record[1]) << 8, int(payload.size()));

      const std::vector<std::uint8_t> frame = Bytes(ReadFile(Path("dec")));
      ASSERT_EQ(frame.size(), original.size());
      EXPECT_GT(Psnr(original.data(), frame.data(), frame.size()), minimumPsnr[level]);
      // Luma alone as well: a mixed-up plane order would ruin it.
      EXPECT_GT(Psnr(original.data(), frame.data(), 176 * 144), minimumPsnr[level]);
    }
  }
}

TEST_F(OrlinCodecCli, ManyFramesThroughPipesDecodeFrameByFrame) {
  std::string all;
  for (const char* picture : test::kTestPictures) all += ReadFile(Data(std::string(picture) + "_176x144.yv12"));
  WriteFile(Path("three.yv12"), all);
  RunResult run = Run("encode --size 176x144 --level 1 - - <three.yv12 | \"$OC\" decode --size 176x144 - - >three.dec");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string decoded = ReadFile(Path("three.dec"));
  ASSERT_EQ(decoded.size(), all.size());
  FrameCoder coder({176, 144});
  for (std::size_t i = 0; i < 3; ++i) {
    const std::vector<std::uint8_t> original = Bytes(all.substr(i * 38016, 38016));
    std::vector<std::uint8_t> payload, expected;
    coder.Encode(original.data(), 1, DefaultCapacity({176, 144}), payload);
    coder.Decode(payload, payload.size(), false, expected);
    EXPECT_EQ(Bytes(decoded.substr(i * 38016, 38016)), expected) << "frame " << i;
  }
}

TEST_F(OrlinCodecCli, ReportOnTheForestPanCoversEveryLevel) {
  RunResult run = Run("report '" + Data("pan_forest_320x240_30f.y4m") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");  // no progress line into a file
  EXPECT_NE(run.out.find("320x240 (Y4M C420jpeg, 30 fps), 30 frames of 115200 bytes"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("capacity 57596 bytes"), std::string::npos);
  double psnr[4] = {};
  std::istringstream lines(run.out);
  std::string line;
  int rows = 0;
  while (std::getline(lines, line)) {
    int level = -1;
    char mode[16];
    double mean, ratio, psnrY, psnrAll;
    unsigned long minBytes, maxBytes, cut, oversized;
    if (std::sscanf(line.c_str(), "%d %15s %lf %lu %lu %lf:1 %lf %lf %lu %lu", &level, mode, &mean, &minBytes,
                    &maxBytes, &ratio, &psnrY, &psnrAll, &cut, &oversized) != 10) {
      continue;
    }
    ASSERT_TRUE(level >= 0 && level <= 3) << line;
    ++rows;
    psnr[level] = psnrAll;
    EXPECT_STREQ(mode, level == 3 ? "fixed" : "variable");
    EXPECT_LE(minBytes, mean);
    EXPECT_LE(mean, maxBytes);
    EXPECT_NEAR(ratio, 115200 / mean, 0.05);
    EXPECT_EQ(oversized, 0u) << "320x240 payloads fit one datagram";
    if (level == 3) {
      EXPECT_EQ(minBytes, codec::FixedSizePayloadBytes(320, 240));
    }
  }
  EXPECT_EQ(rows, 4) << run.out;
  EXPECT_GT(psnr[0], psnr[1]);
  EXPECT_GT(psnr[1], psnr[2]);
  EXPECT_GT(psnr[2], 25.0);
}

TEST_F(OrlinCodecCli, ReportReadsY4mFromStandardInputAndCountsOversizedFrames) {
  RunResult run = Run("report - <'" + Data("pan_forest_320x240_30f.y4m") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("standard input: 320x240"), std::string::npos) << run.out;
  // 640x480 payloads are larger than one datagram at every level.
  run = Run("report --size 640x480 - <'" + Data("cups_640x480.yv12") + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("0          1\n3      fixed"), std::string::npos) << run.out;
}

TEST_F(OrlinCodecCli, HelpAndVersion) {
  RunResult run = Run("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Examples:"), std::string::npos);
  EXPECT_NE(run.out.find("orlin-codec report"), std::string::npos);
  run = Run("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("orlin-codec ", 0), 0u);
}

TEST_F(OrlinCodecCli, MistakesExitNonZeroWithAMessageAndLeaveNoOutput) {
  const std::string cups = "'" + Data("cups_176x144.yv12") + "'";
  // A record cut short, a 4:2:2 stream and a raw file of the wrong size.
  ASSERT_EQ(Run("encode --size 176x144 --level 2 " + cups + " good.orl").status, 0);
  const std::string good = ReadFile(Path("good.orl"));
  WriteFile(Path("cut.orl"), good + good.substr(0, good.size() - 10));
  WriteFile(Path("cut-length.orl"), good + good.substr(0, 3));
  WriteFile(Path("c422.y4m"), "YUV4MPEG2 W4 H2 C422\nFRAME\n" + std::string(16, 'x'));
  WriteFile(Path("odd.yv12"), std::string(38016 + 100, 'x'));

  struct Case {
    std::string arguments;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"encode --level 2 " + cups + " out", 2, "--size WxH is missing"},
      {"encode --size 176x120 --level 2 " + cups + " out", 1, "1 frame, then 6336 bytes left over"},
      {"encode --size 176x144 --level 2 - out <odd.yv12", 1, "1 frame, then 100 bytes left over"},
      {"encode --size 176x144 --level 5 " + cups + " out", 2, "--level 5: the level must be 0, 1, 2 or 3"},
      {"encode --size 176x144 --level 3 --capacity 14255 " + cups + " out", 2, "below the 14256 bytes"},
      {"encode --size 176x144 --level 2 missing.yv12 out", 1, "cannot open missing.yv12 for reading"},
      {"encode --size 176x144 --level 2 " + cups + " no/such/dir/out", 1, "cannot open no/such/dir/out for writing"},
      {"decode --size 176x144 cut.orl out", 1, "record 2 is truncated: " + std::to_string(good.size() - 14)},
      {"decode --size 176x144 - out <cut-length.orl", 1, "record 2 is truncated: only 3 of its 4 length bytes"},
      {"decode --size 8x8 good.orl out", 1, "claims " + std::to_string(good.size() - 4) + " payload bytes"},
      {"decode --size 176x144 --fixed good.orl out", 1, "a fixed-size payload of 176x144 is 14256 bytes"},
      {"report c422.y4m", 1, "C422 is not supported"},
      {"report " + cups, 2, "give --size WxH"},
      {"report --size 100x100 '" + Data("pan_forest_320x240_30f.y4m") + "'", 2, "does not match"},
      {"report --size 176x144 missing.yv12", 1, "cannot open missing.yv12"},
      {"report --size 176x144 .", 1, "cannot read .: it is a folder"},
      {"decode --size 176x144 good.orl good.orl", 2, "would overwrite the input"},
      {"transcode a b", 2, "unknown command"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const RunResult run = Run(c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err.rfind("orlin-codec: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  EXPECT_EQ(ReadFile(Path("good.orl")), good);
}

TEST_F(OrlinCodecCli, FailureRemovesOnlyRegularOutputFilesNeverPipes) {
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  // A reader for the pipe, so that opening it for writing does not block.
  const std::string reader = "cat '" + Path("pipe").string() + "' >/dev/null &";
  ASSERT_EQ(std::system(reader.c_str()), 0);
  const RunResult run = Run("encode --size 176x120 --level 2 '" + Data("cups_176x144.yv12") + "' pipe");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(fs::is_fifo(Path("pipe")));
  // Lets the reader finish, had the tool never opened the pipe.
  const int writer = open(Path("pipe").c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) close(writer);
}

TEST_F(OrlinCodecCli, CapacityCutsAndDamagedPayloadsAreWarnedAbout) {
  const std::string coffee = "'" + Data("coffee_176x144.yv12") + "'";
  RunResult run = Run("encode --size 176x144 --level 0 --capacity 5000 " + coffee + " cut.orl");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("warning: 1 of 1 frames reached the encoder's capacity of 5000 bytes"), std::string::npos)
      << run.err;
  EXPECT_LE(ReadFile(Path("cut.orl")).size(), 4u + 5000);

  ASSERT_EQ(Run("encode --size 176x144 --level 3 " + coffee + " fixed.orl").status, 0);
  run = Run("decode --size 176x144 fixed.orl out");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("add --fixed"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(Path("out")).size(), 38016u);
}

}  // namespace
}  // namespace orlin::tool
