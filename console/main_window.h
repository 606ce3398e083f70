#pragma once
// The console's single window: its control table, the bindings of every
// handler, and the start-up order.
#include <memory>
#include <span>

#include "console/console.h"
#include "platform/control_spec.h"

namespace console {

// The window's controls, in the order they are created.
std::span<const platform::ControlSpec> controlTable();

extern const char* const kWindowTitle;  // UTF-8

class MainWindow {
public:
    // Loads the window: every control of the table in its initial state, the
    // serial port unit closed, the chart with its stored settings, and the
    // handlers bound. Nothing runs yet.
    MainWindow();
    ~MainWindow();

    // The window's created event: the start-up handler.
    void start();
    void show();

    platform::Form& form() { return *m_form; }
    serial::SerialPortUnit& port() { return *m_port; }
    chart::LineChartUnit& chart() { return *m_chart; }
    ProgramValues& values() { return m_values; }
    Console& context() { return *m_console; }

private:
    void bindHandlers();

    std::unique_ptr<platform::Form> m_form;
    std::unique_ptr<serial::SerialPortUnit> m_port;
    chart::LineChartUnit* m_chart;  // a child widget of the window
    ProgramValues m_values;
    std::unique_ptr<Console> m_console;
};

// Start-up handler: zero the accumulators and byte counter, switch the visual
// style on, reset the curves, load the settings and size the window.
void onWindowCreated(Console& console);

}  // namespace console
