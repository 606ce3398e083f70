// The unit as the console uses it: a pseudo-terminal as the meter, the test
// thread as the GUI thread spinning its event loop.
#include "serial/serial_port_unit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "tests/serial/pty_far_end.h"

namespace serial {
namespace {

using namespace std::chrono_literals;

constexpr int kPort = 42;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "serial_port_unit_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

struct Raised {
    int event;
    std::int32_t argument;
    bool operator==(const Raised&) const = default;
};

class SerialPortUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        dir.link(kPort, far->slavePath());
        unit = std::make_unique<SerialPortUnit>();
        // The console's stored configuration: 8 data bits, even parity with checking.
        unit->writeProperty(kPortNumberSlot, kPort);
        unit->writeProperty(kBaudRateSlot, 2400);
        unit->writeProperty(kParitySlot, 2);
        unit->writeProperty(kParityCheckSlot, 1);
        unit->setEventSink([this](int event, std::int32_t argument) {
            if (QThread::currentThread() != app().thread()) offGuiThread = true;
            raised.push_back({event, argument});
        });
    }

    // Spins the GUI thread's loop until `count` bytes arrived or time ran out.
    std::string receive(std::size_t count, std::chrono::milliseconds within = 10s) {
        QElapsedTimer timer;
        timer.start();
        while (bytes().size() < count && timer.elapsed() < within.count())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return bytes();
    }
    void spin(std::chrono::milliseconds span) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < span.count()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    std::string bytes() const {
        std::string out;
        for (const Raised& r : raised)
            if (r.event == 1) out += static_cast<char>(r.argument);
        return out;
    }

    testing::ScratchDirectory dir;
    std::unique_ptr<testing::PtyFarEnd> far = std::make_unique<testing::PtyFarEnd>();
    std::unique_ptr<SerialPortUnit> unit;
    std::vector<Raised> raised;
    bool offGuiThread = false;
};

TEST_F(SerialPortUnitTest, DefaultsAreThePropertyTable) {
    SerialPortUnit fresh;
    const std::pair<int, std::int32_t> defaults[] = {{8, 1},  {9, 19200}, {10, 8}, {11, 1}, {12, 0}, {14, 1000},
                                                     {15, 0}, {16, 0},    {17, 0}, {18, 0}, {19, 0}};
    for (const auto& [slot, value] : defaults) EXPECT_EQ(platform::toInt(fresh.readProperty(slot)), value) << slot;
    EXPECT_EQ(platform::toText(fresh.readProperty(13)), "");
    EXPECT_FALSE(fresh.isOpen());
}

TEST_F(SerialPortUnitTest, WritesAreClampedAndOnlyStored) {
    ASSERT_TRUE(unit->Open());
    unit->writeProperty(kStopBitsSlot, 7);
    unit->writeProperty(kParitySlot, -1);
    unit->writeProperty(kFlowControlSlot, runtime::Text("9"));  // texts convert as the runtime does
    unit->writeProperty(kBaudRateSlot, 9600.7);
    unit->writeProperty(kEventCharSlot, runtime::Text("\r"));
    EXPECT_EQ(unit->readProperty(kStopBitsSlot), platform::PropertyValue(3));
    EXPECT_EQ(unit->readProperty(kParitySlot), platform::PropertyValue(0));
    EXPECT_EQ(unit->readProperty(kFlowControlSlot), platform::PropertyValue(5));
    EXPECT_EQ(unit->readProperty(kBaudRateSlot), platform::PropertyValue(9600));
    EXPECT_EQ(unit->readProperty(kEventCharSlot), platform::PropertyValue(runtime::Text("\r")));
    // The open port keeps the configuration it was opened with.
    EXPECT_TRUE(unit->isOpen());
    far->write("ok");
    EXPECT_EQ(receive(2), "ok");
}

TEST_F(SerialPortUnitTest, AllByteValuesArriveInOrderOnTheGuiThread) {
    for (int parityCheck : {1, 0}) {
        SCOPED_TRACE(parityCheck);
        raised.clear();
        unit->writeProperty(kParityCheckSlot, parityCheck);
        ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
        std::string all;
        for (int v = 0; v < 256; ++v) all += static_cast<char>(v);
        far->write(all);
        EXPECT_EQ(receive(256), all);
        spin(50ms);
        EXPECT_EQ(raised.size(), 256u);  // no CommEvent, nothing doubled
        EXPECT_FALSE(offGuiThread);
    }
}

TEST_F(SerialPortUnitTest, ABurstBeforeTheGuiThreadRunsComesInOneDelivery) {
    ASSERT_TRUE(unit->Open());
    const std::string burst("\xA1\x07\x00\x10\x01\x02\x03\x04\x05\x00\x01\x02\x03\x04\x2B\x02\x05\x03", 18);
    far->write(burst);
    std::this_thread::sleep_for(300ms);  // the GUI thread is busy meanwhile
    EXPECT_EQ(unit->deliveryCount(), 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(unit->deliveryCount(), 1u);
    EXPECT_EQ(bytes(), burst);
}

TEST_F(SerialPortUnitTest, SendPutsExactlyItsBytesOnTheLine) {
    EXPECT_FALSE(unit->Send("X"));  // not open
    ASSERT_TRUE(unit->Open());
    EXPECT_TRUE(unit->Send(""));
    const std::string data("X\0T\xFF\r\n", 6);
    EXPECT_TRUE(unit->Send(data));
    EXPECT_TRUE(unit->Send("T"));
    EXPECT_EQ(far->readAll(300ms), data + "T");
}

TEST_F(SerialPortUnitTest, OpenWithPortNumberZeroClosesAnOpenPortAndFails) {
    ASSERT_TRUE(unit->Open());
    // Property writes make 0 into 1; a stored block can still hold 0.
    std::string block = unit->savePropertyBlock();
    block.replace(4, 4, std::string(4, '\0'));
    ASSERT_TRUE(unit->loadPropertyBlock(block));
    EXPECT_FALSE(unit->Open());
    EXPECT_FALSE(unit->isOpen());
    EXPECT_FALSE(unit->Send("X"));
    // The port is free again.
    SerialPortUnit other;
    other.writeProperty(kPortNumberSlot, kPort);
    EXPECT_TRUE(other.Open()) << other.lastOpenError();
}

TEST_F(SerialPortUnitTest, CloseTwiceAndReopen) {
    ASSERT_TRUE(unit->Open());
    far->write("a");
    EXPECT_EQ(receive(1), "a");
    unit->Close();
    unit->Close();
    EXPECT_FALSE(unit->isOpen());
    ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
    far->write("b");
    EXPECT_EQ(receive(2), "ab");
    // Open on an open port passes through Closed.
    ASSERT_TRUE(unit->Open());
    far->write("c");
    EXPECT_EQ(receive(3), "abc");
}

TEST_F(SerialPortUnitTest, NothingOfAClosedConnectionIsDelivered) {
    ASSERT_TRUE(unit->Open());
    far->write("late");
    std::this_thread::sleep_for(200ms);  // queued, not yet delivered
    unit->Close();
    spin(100ms);
    EXPECT_TRUE(raised.empty());
}

TEST_F(SerialPortUnitTest, AHandlerThatDestroysTheUnitEndsTheBatch) {
    ASSERT_TRUE(unit->Open());
    unit->setEventSink([this](int, std::int32_t argument) {
        raised.push_back({1, argument});
        unit.reset();
    });
    far->write("0123456789");
    std::this_thread::sleep_for(200ms);
    spin(100ms);
    EXPECT_EQ(raised.size(), 1u);
    EXPECT_EQ(unit, nullptr);
}

TEST_F(SerialPortUnitTest, AHandlerThatClosesThePortEndsTheBatch) {
    ASSERT_TRUE(unit->Open());
    unit->setEventSink([this](int, std::int32_t argument) {
        raised.push_back({1, argument});
        unit->Close();
    });
    far->write("0123456789");
    std::this_thread::sleep_for(200ms);
    spin(100ms);
    EXPECT_EQ(raised.size(), 1u);
}

TEST_F(SerialPortUnitTest, EventCharacterRaisesCommEventSevenBeforeTheByte) {
    unit->writeProperty(kEventCharSlot, runtime::Text("\n"));
    ASSERT_TRUE(unit->Open());
    far->write("a\n");
    receive(2);
    EXPECT_EQ(raised, (std::vector<Raised>{{1, 'a'}, {0, 7}, {1, '\n'}}));
}

TEST_F(SerialPortUnitTest, FarEndGoneLeavesTheProcessIdleAndANewOpenWorks) {
    ASSERT_TRUE(unit->Open());
    far->write("x");
    EXPECT_EQ(receive(1), "x");
    far->closeMaster();  // the adapter is pulled out
    QElapsedTimer timer;
    timer.start();
    while (!unit->deviceGone() && timer.elapsed() < 5000) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(unit->deviceGone());

    // The GUI thread sleeps: whatever CPU the process uses now is the reader's.
    const auto before = testing::processCpuTime();
    std::this_thread::sleep_for(2s);
    const auto used = testing::processCpuTime() - before;
    EXPECT_LT(used, 100ms) << "the reader thread spins after the device went away";

    EXPECT_TRUE(unit->isOpen());  // the console's lamp stays green
    EXPECT_FALSE(unit->Send("X"));
    unit->Close();

    far = std::make_unique<testing::PtyFarEnd>();
    dir.link(kPort, far->slavePath());
    ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
    EXPECT_FALSE(unit->deviceGone());
    far->write("y");
    EXPECT_EQ(receive(2), "xy");
}

TEST_F(SerialPortUnitTest, AFloodOfMegabytesArrivesCompleteAndInOrder) {
    ASSERT_TRUE(unit->Open());
    std::string flood(6 << 20, '\0');
    std::uint32_t x = 12345;
    for (char& c : flood) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    std::thread writer([&] { far->write(flood); });
    // Bytes are counted, not stored as events, to keep the test's own memory small.
    std::size_t received = 0;
    bool inOrder = true;
    unit->setEventSink([&](int event, std::int32_t argument) {
        if (event != 1) return;
        if (received < flood.size() && static_cast<char>(argument) != flood[received]) inOrder = false;
        ++received;
    });
    QElapsedTimer timer;
    timer.start();
    while (received < flood.size() && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    writer.join();
    EXPECT_EQ(received, flood.size());
    EXPECT_TRUE(inOrder);
}

TEST_F(SerialPortUnitTest, DiagnosticsTellTheDeviceAndWhyAnOpenFailed) {
    EXPECT_EQ(unit->resolvedDevice(), "COM42");
    EXPECT_EQ(unit->candidateDevices().front(), "COM42");
    SerialPortUnit holder;
    holder.writeProperty(kPortNumberSlot, kPort);
    ASSERT_TRUE(holder.Open());
    EXPECT_FALSE(unit->Open());
    EXPECT_EQ(unit->lastOpenError(), std::system_category().message(EBUSY));
    holder.Close();
    EXPECT_TRUE(unit->Open());
    EXPECT_EQ(unit->lastOpenError(), "");

    unit->writeProperty(kPortNumberSlot, 239);
    EXPECT_EQ(unit->resolvedDevice(), "");
    EXPECT_EQ(unit->candidateDevices(),
              (std::vector<std::string>{"COM239", "/dev/ttyUSB238", "/dev/ttyACM238", "/dev/ttyS238"}));
    EXPECT_FALSE(unit->Open());
    EXPECT_EQ(unit->lastOpenError(), std::system_category().message(ENOENT));
}

TEST_F(SerialPortUnitTest, PropertyBlockRoundTripsThroughTheUnit) {
    unit->writeProperty(kEventCharSlot, runtime::Text("#"));
    unit->writeProperty(kDtrControlSlot, 2);
    SerialPortUnit copy;
    ASSERT_TRUE(copy.loadPropertyBlock(unit->savePropertyBlock()));
    EXPECT_EQ(copy.settings(), unit->settings());
    std::string newer = unit->savePropertyBlock();
    newer[0] = 5;
    EXPECT_FALSE(copy.loadPropertyBlock(newer));
    EXPECT_EQ(copy.settings(), unit->settings());  // a failed load changes nothing
}

}  // namespace
}  // namespace serial
