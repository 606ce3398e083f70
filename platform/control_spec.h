#pragma once
// One row of a form's control table: everything needed to create a control.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class ControlType { Label, EditBox, Button, CheckBox, RadioBox, ComboBox, Shape, Timer };

// A font as a Windows font description: a negative height is a character height
// in pixels, weight 400 normal, 700 bold, 900 heavy. An empty face means the
// window's default face; height 0 means the default size.
struct FontSpec {
    std::string face;  // UTF-8
    int height = 0;
    int weight = 400;
    bool isDefault() const { return face.empty() && height == 0; }
};

struct ControlSpec {
    std::string name;  // UTF-8 in source; kept verbatim as the control's name
    std::uint32_t unitId = 0;
    ControlType type = ControlType::Label;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    std::string text;              // caption or content, UTF-8
    FontSpec font;
    std::vector<std::string> items;  // combo box items, UTF-8
    int selectedIndex = -1;          // combo box
    bool checked = false;            // check and radio boxes
    int interval = 0;                // timers, milliseconds
    std::uint32_t textColour = 0;    // edit boxes; Windows BGR value, 0 = black
};

}  // namespace platform
