// The recorder's command line and configuration file: what is refused, with
// the argument named, and how the file and the flags combine.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <fstream>

#include "record/command_line.h"
#include "record/config_file.h"

namespace {

using record::CommandLine;

CommandLine parse(std::initializer_list<const char*> arguments) {
    QStringList list{QStringLiteral("kzrt-record")};
    for (const char* argument : arguments) list << QString::fromUtf8(argument);
    return record::parseCommandLine(list);
}

struct BadCase {
    const char* name;
    std::vector<const char*> arguments;
    const char* named;  // what the message must name
};

class BadArguments : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadArguments, ExitTwoNamingTheArgument) {
    QStringList list{QStringLiteral("kzrt-record")};
    for (const char* argument : GetParam().arguments) list << QString::fromUtf8(argument);
    const CommandLine line = record::parseCommandLine(list);
    EXPECT_FALSE(line.options.has_value());
    EXPECT_EQ(line.exitCode, 2);
    EXPECT_NE(line.message.find(GetParam().named), std::string::npos) << line.message;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, BadArguments,
    ::testing::Values(BadCase{"UnknownFlag", {"--colour", "1"}, "colour"},
                      BadCase{"IntervalNotANumber", {"--interval", "abc", "1"}, "--interval"},
                      BadCase{"IntervalZero", {"--interval", "0", "1"}, "--interval"},
                      BadCase{"IntervalFraction", {"--interval", "1.5", "1"}, "--interval"},
                      BadCase{"StopBelowWithoutNumber", {"--stop-below", "low", "1"}, "--stop-below"},
                      BadCase{"StopBelowMissingValue", {"1", "--stop-below"}, "stop-below"},
                      BadCase{"ParityUnknown", {"--parity", "evn", "1"}, "--parity"},
                      BadCase{"BaudNegative", {"--baud", "-9600", "1"}, "--baud"},
                      BadCase{"NameTwice", {"bench=1", "bench=2"}, "bench"},
                      BadCase{"NameWithSlash", {"a/b=1"}, "a/b=1"},
                      BadCase{"NameDotDot", {"..=1"}, "..=1"},
                      BadCase{"SeveralMetersWithoutNames", {"1", "2"}, "NAME"},
                      BadCase{"PortTwice", {"a=1", "b=1"}, "'1'"},
                      BadCase{"NoMeter", {"--interval", "2"}, "no meter"},
                      BadCase{"MissingConfig", {"--config", "/nonexistent/kzrt.conf"}, "--config"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, DefaultsAndMeters) {
    const CommandLine line = parse({"--stop-below", "10.5", "--hold", "30", "left=/dev/ttyUSB0", "right=COM3"});
    ASSERT_TRUE(line.options) << line.message;
    const record::RecordOptions& o = *line.options;
    EXPECT_EQ(o.baud, 2400);
    EXPECT_EQ(o.parity, 2);  // even
    EXPECT_EQ(o.intervalSeconds, 1);
    EXPECT_EQ(o.dir, ".");
    EXPECT_EQ(o.stopBelowVolts, 10.5);
    EXPECT_EQ(o.holdSeconds, 30);
    ASSERT_EQ(o.meters.size(), 2u);
    EXPECT_EQ(o.meters[0].name, "left");
    EXPECT_EQ(o.meters[0].port, "/dev/ttyUSB0");
    EXPECT_EQ(o.meters[1].port, "COM3");
}

TEST(CommandLine, FlagsOverrideTheConfigFile) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("bench.conf")).toStdString();
    std::ofstream(path) << "\xEF\xBB\xBF# bench supply soak\r\nbaud = 115200\r\n  parity=none\ninterval = 5\n"
                           "; meters\nmeter = psu=/dev/ttyUSB0\nmeter = load=2\nduration = 3600\n";
    const CommandLine fromFile = parse({"--config", path.c_str()});
    ASSERT_TRUE(fromFile.options) << fromFile.message;
    EXPECT_EQ(fromFile.options->baud, 115200);
    EXPECT_EQ(fromFile.options->parity, 0);
    EXPECT_EQ(fromFile.options->intervalSeconds, 5);
    EXPECT_EQ(fromFile.options->durationSeconds, 3600);
    EXPECT_EQ(fromFile.options->meters.size(), 2u);

    const CommandLine overridden = parse({"--config", path.c_str(), "--interval", "2", "solo=4"});
    ASSERT_TRUE(overridden.options) << overridden.message;
    EXPECT_EQ(overridden.options->intervalSeconds, 2);
    EXPECT_EQ(overridden.options->baud, 115200);
    ASSERT_EQ(overridden.options->meters.size(), 1u);
    EXPECT_EQ(overridden.options->meters[0].name, "solo");

    std::ofstream(path) << "baud = 9600\nspeed = 3\n";
    const CommandLine unknownKey = parse({"--config", path.c_str()});
    EXPECT_EQ(unknownKey.exitCode, 2);
    EXPECT_NE(unknownKey.message.find("line 2: speed"), std::string::npos) << unknownKey.message;
}

TEST(ConfigFile, MalformedLineIsNamed) {
    const record::ConfigParse parsed = record::parseConfigText("baud = 1\n\njust words\n");
    EXPECT_EQ(parsed.error, "line 3: expected key = value");
    EXPECT_EQ(record::parseConfigText("= 5").error, "line 1: expected key = value");
    const record::ConfigParse spaced = record::parseConfigText("dir = /srv/logs/my bench \n");
    ASSERT_EQ(spaced.entries.size(), 1u);
    EXPECT_EQ(spaced.entries[0].value, "/srv/logs/my bench");
}

// A "#" after a blank starts a comment; one inside a word is part of the value.
TEST(ConfigFile, CommentsAfterAValue) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"dir = out # data", "out"},
        {"dir = out\t# data # more", "out"},
        {"dir = out #", "out"},
        {"meter = rack#2=/dev/ttyUSB0", "rack#2=/dev/ttyUSB0"},
        {"meter = rack#2=/dev/ttyUSB0 # the left one", "rack#2=/dev/ttyUSB0"},
        {"mqtt = mqtt://u:p#w@h", "mqtt://u:p#w@h"},
        {"dir = # nothing yet", ""},
        {"dir =#x", "#x"},
    };
    for (const auto& [line, value] : cases) {
        const record::ConfigParse parsed = record::parseConfigText(line);
        ASSERT_EQ(parsed.entries.size(), 1u) << line;
        EXPECT_EQ(parsed.entries[0].value, value) << line;
    }
}

}  // namespace
