// The simulator's messages in the user's language, through its translation
// file beside the program; without it they stay English.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs a shell command and returns what it printed on both outputs.
std::string output(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    ::pclose(pipe);
    return text;
}

// A copy of the simulator in a folder of its own, with no translations beside it.
class SimulatorCopy {
public:
    SimulatorCopy() : m_dir(fs::temp_directory_path() / ("meter_sim_language_" + std::to_string(::getpid()))) {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        fs::copy_file(KZRT_METER_SIM, m_dir / "kzrt-meter-sim");
    }
    ~SimulatorCopy() { fs::remove_all(m_dir); }
    std::string program() const { return (m_dir / "kzrt-meter-sim").string(); }

private:
    fs::path m_dir;
};

struct LanguageCase {
    const char* name;
    const char* environment;
    const char* arguments;
    const char* expectedStart;
};

class MeterSimLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(MeterSimLanguage, TheBuiltFileSpeaksTheLocalesLanguage) {
    const LanguageCase& c = GetParam();
    const std::string text = output(std::string("env -u LANGUAGE ") + c.environment + " " + KZRT_METER_SIM + " " + c.arguments);
    EXPECT_EQ(text.rfind(c.expectedStart, 0), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Locales, MeterSimLanguage,
    ::testing::Values(
        LanguageCase{"ChineseHelp", "LC_ALL=zh_CN.UTF-8", "--help", "用法：kzrt-meter-sim [选项]"},
        LanguageCase{"ChineseError", "LC_ALL=zh_CN.UTF-8", "--port 0", "kzrt-meter-sim: --port 的值无效：“0”\n（--help"},
        LanguageCase{"MessagesLanguageDecides", "LC_ALL= LC_MESSAGES=zh_CN.UTF-8 LANG=en_US.UTF-8", "--bogus 1",
                     "kzrt-meter-sim: 未知选项 --bogus"},
        LanguageCase{"GermanGetsEnglish", "LC_ALL=de_DE.UTF-8", "--port 0", "kzrt-meter-sim: bad value for --port: '0'"},
        LanguageCase{"CLocale", "LC_ALL=C", "--help", "Usage: kzrt-meter-sim [options]"}),
    [](const auto& info) { return std::string(info.param.name); });

// The simulator looks for its texts beside itself, not where it was built; a
// damaged file is the loader's case (platform_translations_test).
TEST(MeterSimCopy, WithoutATranslationBesideItSpeaksEnglish) {
    SimulatorCopy copy;
    const std::string text = output("LC_ALL=zh_CN.UTF-8 " + copy.program() + " --port 0");
    EXPECT_EQ(text.rfind("kzrt-meter-sim: bad value for --port: '0'\n(--help explains the options)", 0), 0u) << text;
}

}  // namespace
