// The scenario reader: words, quotes, escapes, comments and line numbers.
#include "host/scenario/ScenarioReader.h"
#include "host/scenario/ScenarioRunner.h"
#include "support/PlatformTest.h"

#include <sstream>

namespace {

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string error;
    EXPECT_TRUE(splitScenarioLine(line, &out, &error)) << error;
    return out;
}

TEST(ScenarioReader, WordsQuotesAndEscapes) {
    EXPECT_EQ(words("click 100 3"), (std::vector<std::string>{"click", "100", "3"}));
    EXPECT_EQ(words("  type\t302   \"two words\"  "),
              (std::vector<std::string>{"type", "302", "two words"}));
    EXPECT_EQ(words(R"(type 302 "a\"b\\c\nd")"),
              (std::vector<std::string>{"type", "302", "a\"b\\c\nd"}));
    EXPECT_EQ(words("expect ticket KEY = \"\""),
              (std::vector<std::string>{"expect", "ticket", "KEY", "=", ""}));
    EXPECT_EQ(words("load # a comment \"with a quote"), (std::vector<std::string>{"load"}));
    EXPECT_EQ(words("type 302 \"#not a comment\""),
              (std::vector<std::string>{"type", "302", "#not a comment"}));
    EXPECT_TRUE(words("   # only a comment").empty());
}

TEST(ScenarioReader, BadQuotesAreErrors) {
    std::vector<std::string> out;
    std::string error;
    EXPECT_FALSE(splitScenarioLine("type 302 \"open", &out, &error));
    EXPECT_EQ(error, "unterminated quote");
    EXPECT_FALSE(splitScenarioLine("type 302 \"bad \\q\"", &out, &error));
    EXPECT_EQ(error, "unknown escape \\q");
    EXPECT_FALSE(splitScenarioLine("type 302 \"bad \\\r\"", &out, &error));
    EXPECT_EQ(error, "unknown escape \\x0D");
    EXPECT_FALSE(splitScenarioLine("type 302 \"ends in \\", &out, &error));
}

TEST(ScenarioReader, LinesKeepTheirNumbersAndErrorsNameThem) {
    std::vector<ScenarioLine> lines;
    std::string error;
    ASSERT_TRUE(readScenario("# header\n\nload\n  prologue  \n", &lines, &error));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_FALSE(readScenario("load\nprologue\ntype 302 \"x\n", &lines, &error));
    EXPECT_EQ(error, "line 3: unterminated quote");
}

TEST(ScenarioReader, NumbersAreDecimalAndMayBeNegative) {
    long value = 0;
    EXPECT_TRUE(parseNumber("-30891", &value));
    EXPECT_EQ(value, -30891);
    EXPECT_TRUE(parseNumber("0", &value));
    for (const char* bad : {"", "-", "12a", "0x10", "1.5", "99999999999", " 1"}) {
        EXPECT_FALSE(parseNumber(bad, &value)) << bad;
    }
}

class ScenarioRunnerTest : public PlatformTest {};

TEST_F(ScenarioRunnerTest, AnUnknownCommandStopsTheRunNamingFileAndLine) {
    std::ostringstream out;
    RunnerOptions options;
    ScenarioRunner runner(options, "x.scenario", ".", out);
    ScenarioLines lines({{4, {"frobnicate", "now"}}});
    EXPECT_EQ(runner.run(lines), RunResult::Broken);
    EXPECT_NE(out.str().find("x.scenario:4: error: unknown command \"frobnicate\""),
              std::string::npos)
        << out.str();
}

TEST_F(ScenarioRunnerTest, ChecksBeforeAnythingHappenedFailWithoutBreakingTheRun) {
    std::ostringstream out;
    RunnerOptions options;
    ScenarioRunner runner(options, "y.scenario", ".", out);
    ScenarioLines lines({{1, {"expect", "status", "0"}}, {2, {"expect", "alerts", "0"}}});
    EXPECT_EQ(runner.run(lines), RunResult::Failed);
    EXPECT_NE(out.str().find("FAIL y.scenario:1: expected status 0 got no status yet"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("FAIL y.scenario:2"), std::string::npos);
}

TEST_F(ScenarioRunnerTest, MissingArgumentsAreUsageErrors) {
    std::ostringstream out;
    RunnerOptions options;
    ScenarioRunner runner(options, "z.scenario", ".", out);
    ScenarioLines lines({{7, {"expect", "printed"}}});
    EXPECT_EQ(runner.run(lines), RunResult::Broken);
    EXPECT_NE(out.str().find("z.scenario:7: error: usage: expect printed yes|no"),
              std::string::npos)
        << out.str();
}

} // namespace
