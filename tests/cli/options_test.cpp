#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

cli::Options parse(std::vector<std::string_view> arguments) {
  return cli::parse_options(arguments);
}

TEST(Options, NoArgumentsMeanTheParallelPort) {
  const auto options = parse({});
  EXPECT_FALSE(options.simulate);
  EXPECT_FALSE(options.help);
  EXPECT_FALSE(options.version);
}

TEST(Options, FlagsAreRecognised) {
  EXPECT_TRUE(parse({"--simulate"}).simulate);
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_TRUE(parse({"--version"}).version);
  const auto both = parse({"--simulate", "--help"});
  EXPECT_TRUE(both.simulate && both.help);
}

struct BadLine {
  std::vector<std::string_view> arguments;
  const char* reason;
};

class UsageErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(UsageErrors, NameTheOffendingArgument) {
  try {
    parse(GetParam().arguments);
    FAIL() << "accepted";
  } catch (const cli::UsageError& error) {
    EXPECT_STREQ(error.what(), GetParam().reason);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UsageErrors,
    ::testing::Values(BadLine{{"--simulated"}, "unknown option '--simulated'"},
                      BadLine{{"-s"}, "unknown option '-s'"},
                      BadLine{{"--simulate=yes"}, "unknown option '--simulate=yes'"},
                      BadLine{{"radio"}, "unexpected argument 'radio'"},
                      BadLine{{"--simulate", ""}, "unexpected argument ''"},
                      BadLine{{"--simulate", "--simulate"}, "option '--simulate' given twice"}));

TEST(Options, HelpListsEveryOption) {
  const auto help = cli::help_text("saa1057-panel");
  EXPECT_EQ(help.rfind("Usage: saa1057-panel", 0), 0u);
  for (const char* option : {"--simulate", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
