#pragma once
// How a log that a crash left goes into its day's file, decided from the two
// contents alone: what the day's file holds now and what the log makes of it.
//
// Nothing that either holds is dropped. A day's file holding no row the log's
// view lacks (one of the versions the log published, or what a power cut left
// of one: empty, cut short, torn) is replaced by the view. A day's file with
// rows of its own (restored from a backup, edited, written by another
// program) keeps every line, and the log's rows it lacks go in at their place
// by time, newest first, each row once. When the order of either is not
// newest first (a clock set back, a file sorted by hand) there is no sound
// place for them: they go into a file of their own instead.
#include <cstddef>
#include <string_view>
#include <vector>

#include "runtime/gbk_codec.h"

namespace storage {

struct FoldPlan {
    enum class Kind {
        kNothing,      // the day's file already holds every row of the view
        kPublishView,  // the view replaces the day's file (with `content`, when not empty: the view
                       // with the rows that a torn version kept and the torn log lost on top)
        kMerge,        // `content` (the day's file with `rows` rows put in) replaces it
        kSetAside,     // the day's file stays; `content` holds the `rows` rows it lacks
    };
    Kind kind = Kind::kNothing;
    runtime::Text content;
    std::size_t rows = 0;
};

FoldPlan planFold(std::string_view dayFile, std::string_view view);

}  // namespace storage
