#pragma once

namespace platform {

// Styles 1 to 3 draw every window in the themed look (Fusion); any other value
// returns to the classic look.
void EnableVisualStyle(int style);

}  // namespace platform
