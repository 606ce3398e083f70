#include "lookback/plot_platform.h"

namespace lookback {

// Windows' own platform draws into images without showing anything, and it
// is the one the zip carries.
void choosePlotPlatform() {}

}  // namespace lookback
