#include "tools/orlin-codec/cli_args.h"

#include <gtest/gtest.h>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

// The message of the UsageError the arguments raise; empty when they parse.
std::string UsageMessage(const std::vector<std::string>& arguments) {
  try {
    ParseArguments(arguments);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "";
}

TEST(CliArgs, EncodeTakesSizeLevelCapacityAndTwoFiles) {
  const Options options =
      ParseArguments({"encode", "--size", "176x144", "--level=2", "--capacity", "5000", "in", "out"});
  EXPECT_EQ(options.command, Command::kEncode);
  ASSERT_TRUE(options.size);
  EXPECT_EQ(options.size->width, 176);
  EXPECT_EQ(options.size->height, 144);
  EXPECT_EQ(options.level, 2);
  EXPECT_EQ(options.capacity, 5000);
  EXPECT_EQ(options.input, "in");
  EXPECT_EQ(options.output, "out");
}

TEST(CliArgs, OptionsMayFollowTheFilesAndDashIsAFile) {
  const Options options = ParseArguments({"decode", "-", "-", "--fixed", "--size=320X240"});
  EXPECT_EQ(options.command, Command::kDecode);
  EXPECT_TRUE(options.fixed);
  EXPECT_EQ(options.size->width, 320);
  EXPECT_EQ(options.size->height, 240);
  EXPECT_EQ(options.input, "-");
  EXPECT_EQ(options.output, "-");
}

TEST(CliArgs, DoubleDashEndsOptionsSoFileNamesMayStartWithDash) {
  const Options options = ParseArguments({"report", "--", "--odd-name.y4m"});
  EXPECT_EQ(options.command, Command::kReport);
  EXPECT_EQ(options.input, "--odd-name.y4m");
  EXPECT_FALSE(options.size);
}

TEST(CliArgs, HelpAndVersionWinOverAnyMistakeOnTheLine) {
  EXPECT_EQ(ParseArguments({"encode", "--level", "9", "--help"}).command, Command::kHelp);
  EXPECT_EQ(ParseArguments({"-h"}).command, Command::kHelp);
  EXPECT_EQ(ParseArguments({"bogus", "--version"}).command, Command::kVersion);
  // After "--" it is a file name.
  EXPECT_NE(UsageMessage({"report", "--", "--help", "extra"}), "");
}

TEST(CliArgs, MissingPiecesAreNamed) {
  EXPECT_NE(UsageMessage({}).find("no command"), std::string::npos);
  EXPECT_NE(UsageMessage({"encode", "--level", "1", "a", "b"}).find("--size WxH is missing"), std::string::npos);
  EXPECT_NE(UsageMessage({"decode", "a", "b"}).find("--size WxH is missing"), std::string::npos);
  EXPECT_NE(UsageMessage({"encode", "--size", "8x8", "a", "b"}).find("--level N is missing"), std::string::npos);
  EXPECT_NE(UsageMessage({"encode", "--size", "8x8", "--level", "0", "a"}).find("input and the output"),
            std::string::npos);
  EXPECT_NE(UsageMessage({"report"}).find("name the file"), std::string::npos);
  EXPECT_NE(UsageMessage({"encode", "--size"}).find("--size needs a value"), std::string::npos);
}

TEST(CliArgs, UnknownWordsAndExtraFilesAreRefused) {
  EXPECT_NE(UsageMessage({"compress", "a", "b"}).find("unknown command 'compress'"), std::string::npos);
  EXPECT_NE(UsageMessage({"report", "--frobnicate", "a"}).find("unknown option '--frobnicate'"), std::string::npos);
  EXPECT_NE(UsageMessage({"report", "a", "b"}).find("extra argument 'b'"), std::string::npos);
  EXPECT_NE(UsageMessage({"decode", "--size", "8x8", "a", "b", "c"}).find("extra argument 'c'"), std::string::npos);
  EXPECT_NE(UsageMessage({"decode", "--size", "8x8", "--fixed=yes", "a", "b"}).find("takes no value"),
            std::string::npos);
}

TEST(CliArgs, OptionsOfAnotherCommandAreRefused) {
  EXPECT_NE(UsageMessage({"decode", "--size", "8x8", "--level", "2", "a", "b"}), "");
  EXPECT_NE(UsageMessage({"decode", "--size", "8x8", "--capacity", "100", "a", "b"}), "");
  EXPECT_NE(UsageMessage({"encode", "--size", "8x8", "--level", "3", "--fixed", "a", "b"}), "");
  EXPECT_NE(UsageMessage({"report", "--level", "1", "a"}), "");
  EXPECT_EQ(UsageMessage({"report", "--capacity", "100", "--size", "8x8", "a"}), "");
}

TEST(CliArgs, LevelMustBeZeroToThree) {
  for (const char* level : {"0", "1", "2", "3"}) {
    EXPECT_EQ(ParseArguments({"encode", "--size", "8x8", "--level", level, "a", "b"}).level, level[0] - '0');
  }
  for (const char* level : {"4", "-1", "x", "", "1.5", "2x", "99999999999999999999"}) {
    EXPECT_NE(UsageMessage({"encode", "--size", "8x8", "--level", level, "a", "b"}).find("0, 1, 2 or 3"),
              std::string::npos)
        << level;
  }
}

TEST(CliArgs, SizeMustBeWholePositiveNumbersTheCodecCanTake) {
  for (const char* size : {"176", "x144", "176x", "176x144x2", "0x144", "176x0", "-176x144", "176x-144", " 176x144",
                           "176 x 144", "65536x2", "2052x4"}) {
    EXPECT_THROW(ParseFrameSize(size), UsageError) << size;
  }
  // Plane 0 may be 512 blocks wide: 2051 pixels still fit.
  EXPECT_EQ(ParseFrameSize("2051x4").width, 2051);
  EXPECT_EQ(ParseFrameSize("1x65535").height, 65535);
  EXPECT_NE(UsageMessage({"decode", "--size", "2052x4", "a", "b"}).find("2051 pixels wide"), std::string::npos);
}

TEST(CliArgs, CapacityIsBytesThatFitTheEncodersLength) {
  EXPECT_EQ(ParseArguments({"report", "--capacity", "0", "a"}).capacity, 0);
  EXPECT_EQ(ParseArguments({"report", "--capacity", "2147483647", "a"}).capacity, 2147483647);
  for (const char* capacity : {"-1", "2147483648", "lots", "10k"}) {
    EXPECT_NE(UsageMessage({"report", "--capacity", capacity, "a"}), "") << capacity;
  }
}

TEST(CliArgs, DefaultCapacityIsThePhoneSendersBufferLessItsHeader) {
  EXPECT_EQ(DefaultCapacity({176, 144}), 176 * 144 * 3 / 4 - 4);
  EXPECT_EQ(DefaultCapacity({2051, 65535}), std::int64_t(2051) * 65535 * 3 / 4 - 4);
  EXPECT_EQ(DefaultCapacity({1, 1}), 0);  // never negative
}

}  // namespace
}  // namespace orlin::tool
