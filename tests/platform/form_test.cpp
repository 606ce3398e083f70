#include <QApplication>

#include "tests/test_application.h"
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/form.h"
#include "runtime/gbk_codec.h"

using namespace platform;

namespace {

constexpr std::uint32_t kWin = 0x52010001, kEdit = 1, kButton = 2, kCombo = 3, kTimer = 4, kLabel = 5,
                        kCheck = 6, kShape = 7, kReadout = 8;

using kzrt::testing::application;

std::vector<ControlSpec> table() {
    ControlSpec edit{"编辑", kEdit, ControlType::EditBox, 10, 10, 100, 20, true, "1"};
    ControlSpec button{"按钮", kButton, ControlType::Button, 10, 40, 80, 30, true, "go"};
    ControlSpec combo{"组合", kCombo, ControlType::ComboBox, 10, 80, 80, 20, true};
    combo.items = {"2400", "4800", "9600"};
    combo.selectedIndex = 0;
    ControlSpec timer{"时钟", kTimer, ControlType::Timer};
    timer.interval = 1000;
    ControlSpec label{"标签", kLabel, ControlType::Label, 200, 10, 50, 20, true, "COM"};
    ControlSpec check{"框", kCheck, ControlType::CheckBox, 200, 40, 20, 20};
    ControlSpec shape{"灯", kShape, ControlType::Shape, 200, 70, 24, 16};
    ControlSpec readout{"读数", kReadout, ControlType::EditBox, 10, 110, 100, 20, true, "0"};
    readout.textColour = 0xFF0000;
    return {edit, button, combo, timer, label, check, shape, readout};
}

// The application must exist before the form's widgets: a base class is
// constructed before the members.
struct WithApplication {
    WithApplication() { application(); }
};

class FormTest : public ::testing::Test, private WithApplication {
protected:
    FormTest() : form(kWin, "test", 683, 622) {
        form.addControls(table());
        for (int event : {int(kClicked), int(kContentChanged), int(kTimerFired)}) {
            for (std::uint32_t id : {kEdit, kButton, kCombo, kTimer, kCheck}) {
                form.bind(id, event, [this, id, event](auto) { raised.push_back({id, event}); });
            }
        }
    }
    template <typename W>
    W* widget(std::uint32_t id) { return qobject_cast<W*>(form.find(id)->widget); }

    Form form;
    std::vector<std::pair<std::uint32_t, int>> raised;
};

TEST_F(FormTest, PropertyWritesRaiseNoEvents) {
    form.setText(kEdit, "42");
    form.setChecked(kCheck, 1);
    form.setComboIndex(kCombo, 2);
    form.setInterval(kTimer, 500);
    form.setCaption(kButton, "stop");
    EXPECT_TRUE(raised.empty());
    EXPECT_EQ(form.text(kEdit), "42");
    EXPECT_EQ(widget<QLineEdit>(kEdit)->text(), "42");
}

TEST_F(FormTest, UserInputRaisesItsEventOnce) {
    widget<QPushButton>(kButton)->click();
    QLineEdit* edit = widget<QLineEdit>(kEdit);
    edit->setFocus();
    edit->selectAll();
    edit->insert("7");  // as typed: textEdited fires
    ASSERT_EQ(raised.size(), 2u);
    EXPECT_EQ(raised[0], std::make_pair(kButton, int(kClicked)));
    EXPECT_EQ(raised[1], std::make_pair(kEdit, int(kContentChanged)));
    EXPECT_EQ(form.text(kEdit), "7");  // the handler already sees the new content
}

TEST_F(FormTest, AShownReadoutTakesTheLatestOfManyWritesBeforeItPaints) {
    form.window()->show();
    for (int i = 1; i <= 100; ++i) form.setText(kReadout, std::to_string(i));
    EXPECT_EQ(form.text(kReadout), "100");  // handlers read back what they wrote at once
    QApplication::processEvents();
    EXPECT_EQ(widget<QLineEdit>(kReadout)->text(), "100");
    // A box the user types into shows every write at once.
    form.setText(kEdit, "5");
    EXPECT_EQ(widget<QLineEdit>(kEdit)->text(), "5");
}

TEST_F(FormTest, GbkTextsCrossTheWidgetBoundary) {
    form.setText(kEdit, runtime::Gbk("停止计时"));
    EXPECT_EQ(widget<QLineEdit>(kEdit)->text(), QStringLiteral("停止计时"));
    EXPECT_EQ(form.text(kEdit), runtime::Gbk("停止计时"));
    EXPECT_EQ(form.findByName("编辑")->unitId, kEdit);
}

struct ComboCase {
    const char* name;
    PropertyValue write;
    int slot;
    std::int32_t index;
    const char* text;
};

class ComboTest : public FormTest, public ::testing::WithParamInterface<ComboCase> {};

TEST_P(ComboTest, SelectionAndText) {
    const ComboCase& c = GetParam();
    form.WriteProperty(kCombo, c.slot, c.write);
    EXPECT_EQ(form.comboIndex(kCombo), c.index);
    EXPECT_EQ(form.comboText(kCombo), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComboTest,
    ::testing::Values(ComboCase{"IndexInList", std::int32_t{2}, kSlotComboIndex, 2, "9600"},
                      ComboCase{"IndexBeyondList", std::int32_t{25}, kSlotComboIndex, -1, ""},
                      ComboCase{"NegativeIndex", std::int32_t{-1}, kSlotComboIndex, -1, ""},
                      ComboCase{"TextOfAnItem", runtime::Text{"4800"}, kSlotComboText, 1, "4800"},
                      // A rate the list lacks still reaches whoever reads the text back.
                      ComboCase{"TextNotAnItem", runtime::Text{"1200"}, kSlotComboText, -1, "1200"},
                      ComboCase{"EmptyText", runtime::Text{}, kSlotComboText, -1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, TimerIntervalRule) {
    QTimer* timer = form.window()->findChild<QTimer*>("时钟");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    const int timerId = timer->timerId();
    form.setInterval(kTimer, 1000);  // the same interval: the period is not restarted
    EXPECT_EQ(timer->timerId(), timerId);
    form.setInterval(kTimer, 2000);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    form.setInterval(kTimer, -5);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(form.interval(kTimer), -5);
    form.setInterval(kTimer, 0);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(FormTest, WindowHeightMapsToClientArea) {
    EXPECT_EQ(form.windowHeight(), 622);
    EXPECT_EQ(form.window()->size(), QSize(675, 595));
    form.WriteProperty(kWin, kSlotHeight, std::int32_t{355});
    EXPECT_EQ(form.ReadProperty(kSelfUnitId, kSlotHeight), PropertyValue{std::int32_t{355}});
    EXPECT_EQ(form.window()->size(), QSize(675, 328));
}

TEST_F(FormTest, RightButtonOnlyOnTheWindowsOwnSurface) {
    std::vector<std::int32_t> args;
    form.bind(kWin, kRightButtonDown, [&](std::span<const std::int32_t> a) { args.assign(a.begin(), a.end()); });
    form.window()->show();
    auto press = [&](QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods = {}) {
        QWidget* target = form.window()->childAt(at);
        QWidget* receiver = target ? target : form.window();
        QMouseEvent event(QEvent::MouseButtonPress, receiver->mapFrom(form.window(), at),
                          receiver->mapToGlobal(receiver->mapFrom(form.window(), at)), button, button, mods);
        QApplication::sendEvent(receiver, &event);
    };
    press({400, 300}, Qt::LeftButton);
    EXPECT_TRUE(args.empty());
    press({210, 15}, Qt::RightButton);  // on the label, which lets the press through
    EXPECT_TRUE(args.empty());
    press({400, 300}, Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(args, (std::vector<std::int32_t>{400, 300, 5}));
}

TEST_F(FormTest, EventsRaisedInsideAHandlerWaitForIt) {
    std::vector<int> order;
    form.bind(kButton, kClicked, [&](auto) {
        order.push_back(1);
        form.raise(kCheck, kClicked);
        order.push_back(2);
    });
    form.bind(kCheck, kClicked, [&](auto) { order.push_back(3); });
    form.raise(kButton, kClicked);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(FormTest, ToolTipsBelongToWidgetsAndAreNoSlot) {
    form.setToolTip(kLabel, QStringLiteral("端口 help"));
    EXPECT_EQ(form.toolTip(kLabel), QStringLiteral("端口 help"));
    EXPECT_EQ(form.find(kLabel)->widget->toolTip(), QStringLiteral("端口 help"));
    EXPECT_EQ(form.text(kLabel), "COM");  // the caption slot is untouched
    // A timer has no widget and an unknown id has nothing: no tooltip, no crash.
    form.setToolTip(kTimer, QStringLiteral("x"));
    form.setToolTip(0xDEAD, QStringLiteral("x"));
    EXPECT_EQ(form.toolTip(kTimer), QString());
    EXPECT_EQ(form.toolTip(0xDEAD), QString());
}

// The list and the tooltip both show what the callback wrote just before,
// and neither changes the box's items or selection.
struct AboutToShowCase {
    const char* name;
    std::function<void(QComboBox*)> show;
};

class AboutToShowTest : public FormTest, public ::testing::WithParamInterface<AboutToShowCase> {};

TEST_P(AboutToShowTest, RefreshesTheTooltipFirst) {
    auto* combo = qobject_cast<QComboBox*>(form.find(kCombo)->widget);
    form.window()->show();
    int calls = 0;
    form.setAboutToShow(kCombo, [&] { form.setToolTip(kCombo, QStringLiteral("call %1").arg(++calls)); });
    GetParam().show(combo);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(form.toolTip(kCombo), QStringLiteral("call 1"));
    GetParam().show(combo);
    EXPECT_EQ(form.toolTip(kCombo), QStringLiteral("call 2"));
    combo->hidePopup();
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(form.comboText(kCombo), "2400");
    EXPECT_TRUE(raised.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, AboutToShowTest,
    ::testing::Values(AboutToShowCase{"ListOpens", [](QComboBox* combo) { combo->showPopup(); }},
                      AboutToShowCase{"TooltipAsked",
                                      [](QComboBox* combo) {
                                          QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), combo->mapToGlobal(QPoint(5, 5)));
                                          QApplication::sendEvent(combo, &help);
                                      }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, OnlyComboBoxesHaveAMomentBeforeShowing) {
    int calls = 0;
    form.setAboutToShow(kButton, [&] { ++calls; });
    form.setAboutToShow(kTimer, [&] { ++calls; });
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(form.find(kButton)->widget, &help);
    EXPECT_EQ(calls, 0);
}

}  // namespace
