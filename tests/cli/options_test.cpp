#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

cli::Options parse(std::vector<std::string_view> arguments) {
  return cli::parse_options(arguments);
}

TEST(Options, NoArgumentsMeanTheStandardPort) {
  const auto options = parse({});
  EXPECT_FALSE(options.simulate || options.help || options.version);
  EXPECT_FALSE(options.port);
}

TEST(Options, FlagsAreRecognised) {
  EXPECT_TRUE(parse({"--simulate"}).simulate);
  EXPECT_TRUE(parse({"--version"}).version);
  const auto both = parse({"--simulate", "--help"});
  EXPECT_TRUE(both.simulate && both.help);
}

struct GoodPort {
  std::vector<std::string_view> arguments;
  cli::PortArgument port;
};

class PortValues : public ::testing::TestWithParam<GoodPort> {};

TEST_P(PortValues, AreParsedStrictly) {
  EXPECT_EQ(parse(GetParam().arguments).port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PortValues,
    ::testing::Values(GoodPort{{"--port", "/dev/parport1"}, cli::DevicePath{"/dev/parport1"}},
                      GoodPort{{"--port=/dev/parport0"}, cli::DevicePath{"/dev/parport0"}},
                      GoodPort{{"--port", "./parport"}, cli::DevicePath{"./parport"}},
                      GoodPort{{"--port", "0x278"}, cli::IoAddress{0x278}},
                      GoodPort{{"--port", "888"}, cli::IoAddress{888}},
                      GoodPort{{"--port", "0XD010"}, cli::IoAddress{0xD010}},
                      GoodPort{{"--port=0xfffd"}, cli::IoAddress{0xFFFD}},
                      GoodPort{{"--port", "1"}, cli::IoAddress{1}}));

struct GoodEndpoint {
  std::vector<std::string_view> arguments;
  cli::Endpoint endpoint;
};

class RigctldValues : public ::testing::TestWithParam<GoodEndpoint> {};

TEST_P(RigctldValues, DefaultToLoopbackAndTheRigctldPort) {
  EXPECT_EQ(parse(GetParam().arguments).rigctld, GetParam().endpoint);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RigctldValues,
    ::testing::Values(GoodEndpoint{{"--rigctld"}, {"127.0.0.1", 4532}},
                      GoodEndpoint{{"--rigctld", "--simulate"}, {"127.0.0.1", 4532}},
                      GoodEndpoint{{"--rigctld", "4600"}, {"127.0.0.1", 4600}},
                      GoodEndpoint{{"--rigctld=0.0.0.0:4532"}, {"0.0.0.0", 4532}},
                      GoodEndpoint{{"--rigctld", "localhost:1"}, {"localhost", 1}},
                      GoodEndpoint{{"--rigctld", "[::1]:65535"}, {"::1", 65535}}));

struct BadLine {
  const char* case_name;
  std::vector<std::string_view> arguments;
  const char* reason;
};

class UsageErrors : public ::testing::TestWithParam<BadLine> {};

// Each reason starts with the expected text; invalid port values then explain both forms.
TEST_P(UsageErrors, NameTheOffendingArgument) {
  try {
    parse(GetParam().arguments);
    FAIL() << "accepted";
  } catch (const cli::UsageError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(GetParam().reason, 0), 0u) << error.what();
  }
}

TEST(Options, InvalidPortValueExplainsBothForms) {
  try {
    parse({"--port", "lpt1"});
    FAIL() << "accepted";
  } catch (const cli::UsageError& error) {
    EXPECT_STREQ(
        error.what(),
        "invalid --port value 'lpt1': give a device such as /dev/parport0, an I/O "
        "address such as 0x378, or GPIO lines such as gpio:gpiochip0:GPIO17,GPIO27,GPIO22");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UsageErrors,
    ::testing::Values(
        BadLine{"Misspelt", {"--simulated"}, "unknown option '--simulated'"},
        BadLine{"Short", {"-s"}, "unknown option '-s'"},
        BadLine{"FlagWithValue", {"--simulate=yes"}, "option '--simulate' takes no value"},
        BadLine{"Stray", {"radio"}, "unexpected argument 'radio'"},
        BadLine{"EmptyStray", {"--simulate", ""}, "unexpected argument ''"},
        BadLine{"Twice", {"--simulate", "--simulate"}, "option '--simulate' given twice"},
        BadLine{"PortTwice", {"--port", "888", "--port=888"}, "option '--port' given twice"},
        BadLine{"PortLast", {"--port"}, "option '--port' needs a value"},
        BadLine{"PortEmpty", {"--port="}, "invalid --port value ''"},
        BadLine{"HexPrefixOnly", {"--port", "0x"}, "invalid --port value '0x'"},
        BadLine{"MixedDigits", {"--port", "12abc"}, "invalid --port value '12abc'"},
        BadLine{"Negative", {"--port", "-5"}, "invalid --port value '-5'"},
        BadLine{"HexInDecimal", {"--port", "37a"}, "invalid --port value '37a'"},
        BadLine{"Spaces", {"--port", " 888"}, "invalid --port value ' 888'"},
        BadLine{
            "TooHigh", {"--port", "70000"}, "--port address 70000 is out of range (1 to 0xfffd)"},
        BadLine{"NoControlRegister",
                {"--port", "0xfffe"},
                "--port address 0xfffe is out of range (1 to 0xfffd)"},
        BadLine{"Huge",
                {"--port", "99999999999999999999999"},
                "--port address 99999999999999999999999 is out of range (1 to 0xfffd)"},
        BadLine{"Zero", {"--port", "0"}, "--port address 0 is out of range (1 to 0xfffd)"},
        BadLine{"WithSimulate",
                {"--port", "/dev/parport0", "--simulate"},
                "--port and --simulate cannot be combined"},
        BadLine{"TraceWithoutFile", {"--trace="}, "option '--trace' needs a file name"},
        BadLine{
            "RigctldPortZero", {"--rigctld", "0"}, "invalid --rigctld value '0': give [HOST:]PORT"},
        BadLine{"RigctldPortTooHigh",
                {"--rigctld=127.0.0.1:65536"},
                "invalid --rigctld value '127.0.0.1:65536'"},
        BadLine{"RigctldNoPort", {"--rigctld=127.0.0.1:"}, "invalid --rigctld value '127.0.0.1:'"},
        BadLine{"RigctldHostName",
                {"--rigctld", "radio.example:4532"},
                "invalid --rigctld value 'radio.example:4532': the host must be an IP address"},
        BadLine{"RigctldBadQuad",
                {"--rigctld", "127.0.0.256:4532"},
                "invalid --rigctld value '127.0.0.256:4532': the host"},
        BadLine{"RigctldBareIpv6",
                {"--rigctld", "::1:4532"},
                "invalid --rigctld value '::1:4532': the host"},
        BadLine{"RigctldTwice", {"--rigctld", "--rigctld"}, "option '--rigctld' given twice"}),
    [](const auto& info) { return std::string(info.param.case_name); });

TEST(Options, HelpListsEveryOption) {
  const auto help = cli::help_text("saa1057-panel");
  EXPECT_EQ(help.rfind("Usage: saa1057-panel", 0), 0u);
  for (const char* option : {"--simulate", "--port DEVICE|ADDRESS", "--trace FILE",
                             "--rigctld [[HOST:]PORT]", "--help", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
