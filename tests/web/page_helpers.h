#pragma once
// What the page tests share: a recorder with its web page, a card as the
// browser shows it, a meter's day-file rows, and a screenshot's colours.
#include <QDateTime>
#include <QImage>
#include <QJsonObject>
#include <filesystem>
#include <string>
#include <vector>

#include "lookback/day_file_reader.h"
#include "tests/web/browser.h"

namespace web::testing {

// A card as shown: the row's clock text, the seven read-outs, the state.
struct Card {
    std::string clock;
    std::vector<std::string> values;
    std::string state;
    bool found = false;
};
Card cardOf(Browser& browser, const std::string& meter);

// Every row of a folder's day files, oldest first.
std::vector<lookback::DayRow> dayRows(const std::filesystem::path& folder);
std::string clockText(const lookback::DayRow& row);
std::int64_t epochSeconds(const lookback::DayRow& row);

// Pixels of pure-ish red and blue (the curves' colours).
struct CurvePixels {
    int red = 0;
    int blue = 0;
};
CurvePixels curvePixels(const QImage& image);

// Where the tests' screenshots go (build/artifacts/).
QString artifactPath(const QString& name);

}  // namespace web::testing
