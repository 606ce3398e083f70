#include "console/settings_file.h"

#include <array>

#include "console/control_ids.h"
#include "runtime/conversions.h"
#include "runtime/file_numbers.h"
#include "runtime/program_paths.h"
#include "runtime/settings_store.h"

namespace console {
namespace {

constexpr std::string_view kSection = "KZRT";
// Stored parity names, in the order of the parity box's items.
constexpr std::array<std::string_view, 5> kParityNames = {"None", "Odd", "Even", "Mark", "Space"};

runtime::Text read(std::string_view key) {
    return runtime::ReadSettingsItem(settingsFilePath(), kSection, key);
}

void write(std::string_view key, std::string_view value) {
    // Failed writes are not reported: the handlers go on as if they succeeded.
    runtime::WriteSettingsItem(settingsFilePath(), kSection, key, value);
}

void writeDefaults() {
    write("Port", "1");
    write("Baud", "2400");
    write("Parity", "Even");
    write("Second", "1");
    write("Graph", "1");
}

void loadControls(platform::Form& form) {
    // "Port" is 1-based; 3.7 reads as 3 and selects the third item, text
    // without a number selects nothing.
    form.setComboIndex(kPortNumberCombo, runtime::ToInteger(double(runtime::ToInteger(read("Port"))) - 1.0));
    form.setComboText(kBaudCombo, read("Baud"));
    for (std::size_t i = 0; i < kParityNames.size(); ++i) {
        // Letter case matters: "even" matches nothing and keeps the design choice.
        if (read("Parity") == kParityNames[i]) form.setComboIndex(kParityCombo, std::int32_t(i));
    }
    form.setText(kRecordingSeconds, read("Second"));
}

}  // namespace

runtime::Path settingsFilePath() {
    runtime::Path name = runtime::WithoutAscii(runtime::ExecutableFileName(), ".exe");
    name += runtime::AsciiName(".ini");
    return runtime::CurrentDirectory() / name;
}

void loadSettings(Console& console) {
    platform::Form& form = console.form;
    if (runtime::FileExists(settingsFilePath())) {
        loadControls(form);
    } else {
        writeDefaults();
    }
    form.setWindowHeight(read("Graph") == "1" ? kExpandedHeight : kCollapsedHeight);
}

void savePortSettings(Console& console) {
    platform::Form& form = console.form;
    write("Port", runtime::ToText(double(form.comboIndex(kPortNumberCombo)) + 1.0));
    write("Baud", form.comboText(kBaudCombo));
    const std::int32_t parity = form.comboIndex(kParityCombo);
    if (parity >= 0 && parity < std::int32_t(kParityNames.size())) write("Parity", kParityNames[parity]);
    write("Second", form.text(kRecordingSeconds));
}

void saveInterval(Console& console) { write("Second", console.form.text(kRecordingSeconds)); }

void toggleCurves(Console& console) {
    platform::Form& form = console.form;
    if (form.windowHeight() == kExpandedHeight) {
        form.setWindowHeight(kCollapsedHeight);
        write("Graph", "0");
    } else {
        form.setWindowHeight(kExpandedHeight);
        write("Graph", "1");
    }
}

}  // namespace console
