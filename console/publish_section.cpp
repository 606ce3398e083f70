#include "console/publish_section.h"

#include "console/settings_file.h"
#include "runtime/gbk_codec.h"
#include "runtime/settings_store.h"

namespace console {
namespace {

QString read(std::string_view key) {
    // URLs and addresses are ASCII; anything else would not parse either way.
    return QString::fromLatin1(runtime::ReadSettingsItem(settingsFilePath(), "Publish", key));
}

// A file name is a GBK text like every other value of the settings file.
QString readPath(std::string_view key) {
    return QString::fromStdString(runtime::Utf8FromGbk(runtime::ReadSettingsItem(settingsFilePath(), "Publish", key)));
}

}  // namespace

PublishSection readPublishSection() {
    PublishSection section;
    section.mqtt = read("MQTT");
    section.mqttPrefix = read("MQTTPrefix");
    section.mqttCaFile = readPath("MQTTCA");
    section.metrics = read("Metrics");
    return section;
}

}  // namespace console
