// The simulator and the serial unit together, as ./run.sh puts them.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>

#include "serial/serial_port_unit.h"
#include "tests/event_loop.h"
#include "tests/serial/pty_far_end.h"

extern char** environ;

namespace serial {
namespace {

using kzrt::testing::spinUntil;

class Simulator {
public:
    explicit Simulator(std::vector<std::string> args) {
        args.insert(args.begin(), KZRT_METER_SIM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, KZRT_METER_SIM, nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
    }
    ~Simulator() { stop(); }
    // SIGTERM, as a user's Ctrl+C or run.sh's clean-up; the exit status.
    int stop() {
        int status = -1;
        if (m_pid > 0 && ::kill(m_pid, SIGTERM) == 0) ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
};

TEST(MeterSimEndToEnd, OneShotFramesThenTextFormOnXtAndTheLinkGoesAtExit) {
    int argc = 1;
    char* argv[] = {const_cast<char*>("meter_sim_end_to_end_test"), nullptr};
    QCoreApplication app(argc, argv);
    testing::ScratchDirectory dir;

    Simulator sim({"--port", "7", "--baud", "115200", "--profile", "steady", "--fps", "20", "--frames-hex",
                   "A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03"});
    ASSERT_TRUE(spinUntil([] { return std::filesystem::exists("COM7"); })) << "the simulator made no link";

    SerialPortUnit unit;
    std::string received;
    unit.setEventSink([&](int event, std::int32_t byte) {
        if (event == 1) received += static_cast<char>(byte);
    });
    unit.writeProperty(kPortNumberSlot, 7);
    unit.writeProperty(kParitySlot, 2);
    unit.writeProperty(kParityCheckSlot, 1);
    ASSERT_TRUE(unit.Open()) << unit.lastOpenError();

    // The one-shot bytes come at a frame boundary soon after the port opened
    // (how many steady frames come first depends on how busy the machine is),
    // then the steady profile's frames go on.
    const std::string oneShot("\xA1\x07\x00\x10\x01\x02\x03\x04\x05\x00\x01\x02\x03\x04\x2B\x02\x05\x03", 18);
    const std::string steady("\xA1\x07\x00\x10\x01\x02\x00\x00\x00\x00\x02\x00\x00\x00\x2B\x02\x05\x00", 18);
    ASSERT_TRUE(spinUntil([&] { return received.find(oneShot + steady) != std::string::npos; })) << received.size();
    const std::size_t at = received.find(oneShot);
    EXPECT_EQ(received.find(oneShot, at + 18), std::string::npos) << "sent once only";
    EXPECT_TRUE(at < 18 || received.substr(at - 18, 18) == steady) << "whole frames before it";

    ASSERT_TRUE(unit.Send("X"));
    ASSERT_TRUE(unit.Send("T"));
    received.clear();
    ASSERT_TRUE(spinUntil([&] { return received.find("12.000V 2.000A +25.0C\r\n") != std::string::npos; }))
        << received.size();

    unit.Close();
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink("COM7"));
}

}  // namespace
}  // namespace serial
