#pragma once
// The chart's small text markup, used by the title and the tooltip text.
//
//   markup   := { text | escape | tag }
//   tag      := "<" keyword [ "=" colour ] ">"      opens a style
//             | "</" keyword ">"                     closes the latest one of its kind
//             | "<br>" | "<br/>"                     line break
//   keyword  := "bold" | "italic" | "underline" | "strikeout"
//             | "color" | "backcolor" | "bordercolor"    (these three take "=colour")
//   colour   := "red" | "green" | "blue"
//             | "-1"                                 the default: text colour / no fill / no frame
//             | decimal or "0x" hexadecimal value    RGB with red in the low byte
//   escape   := "&lgt;"  -> "<"       "&rgt;"  -> ">"
//             | "&-lgt;" -> "&lgt;"   "&-rgt;" -> "&rgt;"    (the escapes written literally)
//
// Keywords and colour names are ASCII and compared without case. Styles nest:
// "<bold>a<bold>b</bold>c</bold>" keeps c bold. A closing tag with nothing
// open, and anything between "<" and ">" that is not a tag above, is kept as
// plain text, so a stray "<" never swallows a title. "backcolor" fills behind
// its text, "bordercolor" draws a frame round it.
//
// Texts are GBK. The markup's own characters are ASCII below 0x40, which is
// never a GBK trail byte, so scanning the bytes never splits a character.
#include <optional>
#include <string_view>
#include <vector>

#include "chart/chart_model.h"

namespace chart {

struct TextStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    std::optional<Colour> colour;        // none: the text's default colour
    std::optional<Colour> backColour;    // none: no fill
    std::optional<Colour> borderColour;  // none: no frame

    bool operator==(const TextStyle&) const = default;
};

struct TextRun {
    Text text;
    TextStyle style;

    bool operator==(const TextRun&) const = default;
};

// One line of runs; adjacent runs have different styles.
using MarkupLine = std::vector<TextRun>;

// Always at least one line; an empty text gives one empty line.
std::vector<MarkupLine> parseMarkup(std::string_view text);

// The text that the markup shows, lines joined with "\n".
Text plainText(std::string_view markup);

// The colour a colour word or number stands for; nullopt for "-1" (the
// default); an unknown word also gives nullopt in `valid` = false.
struct ParsedColour {
    bool valid = false;
    std::optional<Colour> colour;
};
ParsedColour parseMarkupColour(std::string_view word);

}  // namespace chart
