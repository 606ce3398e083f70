// kzrt-record-plot: the painting half of `kzrt-record plot`, a program of its
// own so that the recorder links Qt Core only.
#include <string>
#include <vector>

#include "record/recording_plot.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return record::runPlot(argc, argv, arguments);
}
