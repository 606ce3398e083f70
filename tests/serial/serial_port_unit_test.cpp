// The unit as the console uses it: a pseudo-terminal as the meter, the test
// thread as the GUI thread spinning its event loop.
#include "serial/serial_port_unit.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "tests/event_loop.h"
#include "tests/serial/pty_far_end.h"

namespace serial {
namespace {

using namespace std::chrono_literals;
using kzrt::testing::spinFor;
using kzrt::testing::spinUntil;

constexpr int kPort = 42;

QCoreApplication& app() {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("serial_port_unit_test"), nullptr};
    static auto* instance = new QCoreApplication(argc, argv);
    return *instance;
}

using Raised = std::pair<int, std::int32_t>;  // event, argument

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
            if (event == 1) received += static_cast<char>(argument);
        });
    }

    std::string receive(std::size_t count) {
        spinUntil([&] { return received.size() >= count; }, 10000);
        return received;
    }

    testing::ScratchDirectory dir;
    std::unique_ptr<testing::PtyFarEnd> far = std::make_unique<testing::PtyFarEnd>();
    std::unique_ptr<SerialPortUnit> unit;
    std::vector<Raised> raised;
    std::string received;  // the DataArrived bytes of `raised`
    bool offGuiThread = false;
};

TEST_F(SerialPortUnitTest, WritesAreClampedAndTakeEffectAtTheNextOpen) {
    ASSERT_TRUE(unit->Open());
    unit->writeProperty(kStopBitsSlot, 7);
    unit->writeProperty(kParitySlot, -1);
    unit->writeProperty(kFlowControlSlot, runtime::Text("9"));  // texts convert as the runtime does
    unit->writeProperty(kEventCharSlot, runtime::Text("k"));
    EXPECT_EQ(unit->readProperty(kStopBitsSlot), platform::PropertyValue(3));
    EXPECT_EQ(unit->readProperty(kParitySlot), platform::PropertyValue(0));
    EXPECT_EQ(unit->readProperty(kFlowControlSlot), platform::PropertyValue(5));
    far->write("ok");
    EXPECT_EQ(receive(2), "ok");
    // Open on an open port passes through Closed and takes the new configuration.
    ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
    far->write("ok");
    receive(4);
    EXPECT_EQ(raised, (std::vector<Raised>{{1, 'o'}, {1, 'k'}, {1, 'o'}, {0, 7}, {1, 'k'}}));
}

TEST_F(SerialPortUnitTest, AllByteValuesOfABurstArriveInOrderInOneDeliveryOnTheGuiThread) {
    std::string all;
    for (int v = 0; v < 256; ++v) all += static_cast<char>(v);
    for (int parityCheck : {1, 0}) {
        SCOPED_TRACE(parityCheck);
        raised.clear();
        received.clear();
        unit->writeProperty(kParityCheckSlot, parityCheck);
        ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
        const std::uint64_t deliveries = unit->deliveryCount();
        far->write(all);
        std::this_thread::sleep_for(300ms);  // the GUI thread is busy meanwhile
        EXPECT_EQ(unit->deliveryCount(), deliveries);
        QCoreApplication::processEvents();
        EXPECT_EQ(unit->deliveryCount(), deliveries + 1);
        EXPECT_EQ(received, all);
        spinFor(50);
        EXPECT_EQ(raised.size(), 256u);  // no CommEvent, nothing doubled
        EXPECT_FALSE(offGuiThread);
    }
}

TEST_F(SerialPortUnitTest, SendPutsExactlyItsBytesOnTheLine) {
    ASSERT_TRUE(unit->Open());
    EXPECT_TRUE(unit->Send(""));
    const std::string data("X\0T\xFF\r\n", 6);
    EXPECT_TRUE(unit->Send(data));
    EXPECT_TRUE(unit->Send("T"));
    EXPECT_EQ(far->read(SIZE_MAX, 300ms), data + "T");
}

TEST_F(SerialPortUnitTest, CloseTwiceReopenAndOpenWithPortNumberZero) {
    ASSERT_TRUE(unit->Open());
    far->write("a");
    EXPECT_EQ(receive(1), "a");
    unit->Close();
    unit->Close();
    EXPECT_FALSE(unit->isOpen());

    // A failed Open tells the port lamp's tooltip why; a successful one clears it.
    unit->writeProperty(kPortNumberSlot, 239);
    EXPECT_FALSE(unit->Open());
    EXPECT_EQ(unit->lastOpenError(), std::system_category().message(ENOENT));
    unit->writeProperty(kPortNumberSlot, kPort);
    ASSERT_TRUE(unit->Open()) << unit->lastOpenError();
    EXPECT_EQ(unit->lastOpenError(), "");
    far->write("b");
    EXPECT_EQ(receive(2), "ab");

    // Open with PortNumber 0 closes the open port and fails. Property writes
    // make 0 into 1; a stored block can still hold 0.
    std::string block = unit->savePropertyBlock();
    block.replace(4, 4, std::string(4, '\0'));
    ASSERT_TRUE(unit->loadPropertyBlock(block));
    EXPECT_FALSE(unit->Open());
    EXPECT_FALSE(unit->isOpen());
    EXPECT_FALSE(unit->Send("X"));
    SerialPortUnit other;  // the port is free again
    other.writeProperty(kPortNumberSlot, kPort);
    EXPECT_TRUE(other.Open()) << other.lastOpenError();
}

// Whoever ends a connection, nothing more of it is delivered.
TEST_F(SerialPortUnitTest, NothingOfAnEndedConnectionIsDelivered) {
    enum class Ending { CloseBeforeDelivery, HandlerCloses, HandlerDestroysTheUnit };
    for (Ending ending : {Ending::CloseBeforeDelivery, Ending::HandlerCloses, Ending::HandlerDestroysTheUnit}) {
        SCOPED_TRACE(static_cast<int>(ending));
        raised.clear();
        ASSERT_TRUE(unit->Open());
        unit->setEventSink([this, ending](int, std::int32_t argument) {
            raised.push_back({1, argument});
            ending == Ending::HandlerCloses ? unit->Close() : unit.reset();
        });
        far->write("0123456789");
        std::this_thread::sleep_for(200ms);  // queued, not yet delivered
        if (ending == Ending::CloseBeforeDelivery) unit->Close();
        spinFor(100);
        EXPECT_EQ(raised.size(), ending == Ending::CloseBeforeDelivery ? 0u : 1u);
    }
    EXPECT_EQ(unit, nullptr);
}

TEST_F(SerialPortUnitTest, FarEndGoneKeepsThePortOpenAndANewOpenWorks) {
    ASSERT_TRUE(unit->Open());
    far->write("x");
    EXPECT_EQ(receive(1), "x");
    far->closeMaster();  // the adapter is pulled out
    spinUntil([&] { return unit->deviceGone(); });
    ASSERT_TRUE(unit->deviceGone());

    // The reader idles meanwhile: the engine's Reconnection test measures it.
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
    const std::string flood = testing::noise(6 << 20);
    std::thread writer([&] { far->write(flood); });
    // Bytes are counted, not stored as events, to keep the test's own memory small.
    std::size_t arrived = 0;
    bool inOrder = true;
    unit->setEventSink([&](int event, std::int32_t argument) {
        if (event != 1) return;
        if (arrived < flood.size() && static_cast<char>(argument) != flood[arrived]) inOrder = false;
        ++arrived;
    });
    spinUntil([&] { return arrived >= flood.size(); }, 60000);
    writer.join();
    EXPECT_EQ(arrived, flood.size());
    EXPECT_TRUE(inOrder);
}

}  // namespace
}  // namespace serial
