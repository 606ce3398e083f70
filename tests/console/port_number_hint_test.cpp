#include "console/port_number_hint.h"

#include <QComboBox>

#include "console/port_control.h"
#include "console_fixture.h"
#include "pty_link.h"

using namespace console;
using namespace console::testing;

namespace {

struct HintCase {
    const char* name;
    std::vector<serial::PortHint> hints;
    const char* expected;  // UTF-8
};

class PortNumberHintTest : public ::testing::TestWithParam<HintCase> {};

TEST_P(PortNumberHintTest, OneLinePerNumberWithItsAdapter) {
    EXPECT_EQ(portNumberHint(GetParam().hints).toStdString(), GetParam().expected);
}

const serial::AdapterInfo kFtdi{"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI", "usb-FTDI_FT232R-if00-port0"};

INSTANTIATE_TEST_SUITE_P(
    Hints, PortNumberHintTest,
    ::testing::Values(
        HintCase{"Nothing", {},
                 "No port number leads to a device now. Plug the meter's adapter in, then open this list again."},
        HintCase{"UsbAdapter", {{1, "/dev/ttyUSB0", "/dev/ttyUSB0", kFtdi}},
                 "Port numbers that lead to a device now:\n"
                 "COM1: /dev/ttyUSB0 — FTDI FT232R USB UART (0403:6001), serial number A50285BI"},
        HintCase{"LinkShowsWhereItLeads",
                 {{3, "COM3", "/dev/pts/4", {}}, {4, "/dev/ttyS3", "/dev/ttyS3", {}}},
                 "Port numbers that lead to a device now:\nCOM3: COM3 → /dev/pts/4\nCOM4: /dev/ttyS3"},
        HintCase{"IdsWithoutNames", {{2, "/dev/ttyACM1", "/dev/ttyACM1", {"2341", "0043", "", "", "", ""}}},
                 "Port numbers that lead to a device now:\nCOM2: /dev/ttyACM1 — 2341:0043"},
        HintCase{"NameWithoutIds", {{2, "/dev/ttyACM1", "/dev/ttyACM1", {"", "", "", "Arduino Uno", "", ""}}},
                 "Port numbers that lead to a device now:\nCOM2: /dev/ttyACM1 — Arduino Uno"},
        HintCase{"ByIdWhenNothingElseIsKnown",
                 {{5, "/dev/ttyUSB4", "/dev/ttyUSB4", {"", "", "", "", "", "usb-Prolific_PL2303-if00-port0"}}},
                 "Port numbers that lead to a device now:\nCOM5: /dev/ttyUSB4 — usb-Prolific_PL2303-if00-port0"},
        HintCase{"SerialNumberAlone", {{6, "/dev/ttyUSB5", "/dev/ttyUSB5", {"", "", "", "", "0001", ""}}},
                 "Port numbers that lead to a device now:\nCOM6: /dev/ttyUSB5 — serial number 0001"}),
    [](const auto& info) { return std::string(info.param.name); });

class PortNumberBoxWindow : public ConsoleFixture {};

// The box shows the numbers as they are when it opens: a link made while the
// window runs appears, one removed disappears, and the items stay as defined.
TEST_F(PortNumberBoxWindow, TheTooltipFollowsThePortsEachTimeTheBoxOpens) {
    startWindow();
    auto* box = qobject_cast<QComboBox*>(form().find(kPortNumberCombo)->widget);
    form().window()->show();
    form().setComboIndex(kPortNumberCombo, 4);
    QString withLink;
    {
        PtyLink far(17);
        box->showPopup();
        box->hidePopup();
        withLink = form().toolTip(kPortNumberCombo);
        EXPECT_TRUE(withLink.contains(QStringLiteral("COM17: COM17 → /dev/pts/"))) << withLink.toStdString();
    }
    box->showPopup();
    box->hidePopup();
    EXPECT_FALSE(form().toolTip(kPortNumberCombo).contains(QStringLiteral("COM17"))) << form().toolTip(kPortNumberCombo).toStdString();
    ASSERT_EQ(box->count(), 20);
    for (int i = 0; i < box->count(); ++i) EXPECT_EQ(box->itemText(i), QString::number(i + 1));
    EXPECT_EQ(form().comboText(kPortNumberCombo), "5");
}

}  // namespace
