#include "record/recorder_web.h"

#include <algorithm>
#include <filesystem>

#include "record/log_line.h"
#include "record/meter_recorder.h"
#include "record/recorder_ticks.h"

namespace record {
namespace {

std::string shownName(const MeterSpec& meter) { return meter.name.empty() ? meter.port : meter.name; }

// Each meter's day-file folder, as the recorder makes it: DIR/NAME, or DIR
// for a meter without a NAME. Absolute, before anything changes the working folder.
std::shared_ptr<const web::LookBack> lookBack(const RecordOptions& options) {
    namespace fs = std::filesystem;
    const auto utf8 = [](const fs::path& path) {
        const std::u8string text = path.lexically_normal().u8string();
        return std::string(text.begin(), text.end());
    };
    const fs::path dir = fs::absolute(fs::path(std::u8string(options.dir.begin(), options.dir.end())));
    std::vector<web::LookBackMeter> meters;
    for (const MeterSpec& meter : options.meters) {
        const fs::path folder = meter.name.empty() ? dir : dir / fs::path(std::u8string(meter.name.begin(), meter.name.end()));
        meters.push_back(web::LookBackMeter{shownName(meter), utf8(folder)});
    }
    return std::make_shared<const web::LookBack>(std::move(meters));
}

}  // namespace

std::variant<std::unique_ptr<RecorderWeb>, std::string> RecorderWeb::start(const RecordOptions& options,
                                                                           std::function<std::string()> metrics) {
    auto settings = web::webSettings(QString::fromStdString(options.network.web),
                                     QString::fromStdString(options.network.webPasswordFile));
    if (auto* error = std::get_if<QString>(&settings)) return error->toStdString();
    const web::WebSettings& checked = std::get<web::WebSettings>(settings);
    std::vector<web::MeterInfo> meters;
    std::vector<std::string> names;
    for (const MeterSpec& meter : options.meters) {
        names.push_back(shownName(meter));
        meters.push_back(web::MeterInfo{names.back(), options.stopBelowVolts, options.holdSeconds});
    }
    std::unique_ptr<RecorderWeb> page(new RecorderWeb(std::move(meters)));
    page->m_away.assign(names.size(), 0);
    page->m_stopped.assign(names.size(), 0);
    page->m_names = std::move(names);
    auto server = web::WebServer::start(checked, page->m_feed, web::WebHooks{std::move(metrics), lookBack(options)});
    if (auto* error = std::get_if<QString>(&server)) return error->toStdString();
    page->m_server = std::move(std::get<std::unique_ptr<web::WebServer>>(server));
    if (const auto warning = web::openPageWarning(checked)) logLine(LogKind::Warning, "web-open", *warning);
    return page;
}

std::size_t RecorderWeb::indexOf(const MeterRecorder& meter) const {
    const auto found = std::find(m_names.begin(), m_names.end(), shownName(meter.spec()));
    return std::size_t(found - m_names.begin());
}

void RecorderWeb::rowRecorded(const MeterRecorder& meter, runtime::DateTime now) {
    const std::size_t index = indexOf(meter);
    m_away[index] = meter.deviceAway();
    m_feed.push(index, webTick(meter, now, true));
}

void RecorderWeb::follow(const MeterRecorder& meter, runtime::DateTime now) {
    const std::size_t index = indexOf(meter);
    const bool stopped = !meter.running();
    if (m_stopped[index] || (!stopped && bool(m_away[index]) == meter.deviceAway())) return;
    m_away[index] = meter.deviceAway();
    m_stopped[index] = stopped;
    m_feed.push(index, webTick(meter, now, false));
}

}  // namespace record
