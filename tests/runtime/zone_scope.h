#pragma once
// The process's local zone set to a real tzdata zone for one test, and back.
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

namespace runtime::testing {

class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = getenv("TZ")) m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneScope() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    std::optional<std::string> m_old;
};

// What the C library says an instant reads as on the local clock, and the
// offset, as ISO text: the independent answer the tests check against.
inline std::string libcIsoText(std::int64_t utcSeconds) {
    const time_t when = static_cast<time_t>(utcSeconds);
    tm local{};
    localtime_r(&when, &local);
    char text[40];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char zone[32];
    snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(text) + zone;
}

}  // namespace runtime::testing
