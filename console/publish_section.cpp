#include "console/publish_section.h"

#include "console/settings_file.h"
#include "runtime/settings_store.h"

namespace console {
namespace {

QString read(std::string_view key) {
    // URLs and addresses are ASCII; anything else would not parse either way.
    return QString::fromLatin1(runtime::ReadSettingsItem(settingsFilePath(), "Publish", key));
}

}  // namespace

PublishSection readPublishSection() { return {read("MQTT"), read("MQTTPrefix"), read("Metrics")}; }

}  // namespace console
