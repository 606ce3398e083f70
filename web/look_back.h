#pragma once
// The page's look back over the recorder's day files, on the server's
// thread: each meter's day files listed, a span's curve and its export, and
// a listed day file as it is. A file is only ever read through the listing:
// the name a request gives is compared with the listed names, and the
// listing's own path is opened, so no path from a URL reaches a file call.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace web {

struct LookBackMeter {
    std::string name;    // as the page shows it
    std::string folder;  // its day files' folder, absolute, UTF-8
};

// An answer: the body and its type, or a status and the reason.
struct LookBackAnswer {
    unsigned status = 200;
    std::string body;
    std::string contentType;
    std::string fileName;  // set: a download under this name
};

class LookBack {
public:
    explicit LookBack(std::vector<LookBackMeter> meters) : m_meters(std::move(meters)) {}

    // {"meters":[{"name":…,"files":[{"name":…,"date":…,"rows":…,"bytes":…}]}]}
    LookBackAnswer files() const;
    // A span of meter `meter` (an index as text): its curve as JSON, or its
    // rows as the export's CSV. Empty bounds: the newest day.
    LookBackAnswer span(const std::string& meter, const std::string& from, const std::string& to, bool csv) const;
    // A listed day file of meter `meter`, byte for byte.
    LookBackAnswer dayFile(const std::string& meter, const std::string& name) const;

private:
    const LookBackMeter* meterAt(const std::string& index) const;
    std::vector<LookBackMeter> m_meters;
};

}  // namespace web
