// kzrt-record-plot: the painting half of `kzrt-record plot`, a program of its
// own so that the recorder links Qt Core only.
#include "lookback/recording_plot.h"

int main(int argc, char** argv) { return lookback::runPlot(argc, argv); }
