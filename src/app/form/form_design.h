// The window as designed: every control's name, kind, rectangle and first
// text, in the keyboard's tab order, once for every toolkit. A window
// creates its controls from this table and places them scaled to its font.
#pragma once

#include <array>
#include <span>

namespace quarnel::form {

enum class Control {
    Edit1, Button1, Button2, Button3, UpDown1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7,
    Label1, Label2, Label3, Label4, Label5, Label6, Label7, Bevel1
};

enum class ControlKind { EditBox, Button, Label, UpDown, Bevel };

// A rectangle in the pixels of the design, within the client area.
struct DesignRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct DesignedControl {
    Control control;
    const char* name;  // the name tests and accessibility tools find it by
    ControlKind kind;
    DesignRect rect;
    const char* text;  // caption or first text; nothing for the selector and the bevel
    bool enabled = true;
    bool readOnly = false;
};

// Every control: first the ones the keyboard reaches, in the order Tab
// visits them, then labels and the bevel.
std::span<const DesignedControl> designedControls();
const DesignedControl& designOf(Control control);

inline constexpr DesignRect DesignedClientArea{0, 0, 316, 223};
inline constexpr int DesignedLeft = 425;  // where the window opens on the screen
inline constexpr int DesignedTop = 314;

// The selector's range and first position.
inline constexpr int SelectorMinimum = 1;
inline constexpr int SelectorMaximum = 3;

// The rows of DMI strings: captions Label3 to Label7, boxes Edit3 to Edit7.
inline constexpr std::array<Control, 5> RowCaptions{Control::Label3, Control::Label4, Control::Label5, Control::Label6,
                                                    Control::Label7};
inline constexpr std::array<Control, 5> RowBoxes{Control::Edit3, Control::Edit4, Control::Edit5, Control::Edit6,
                                                 Control::Edit7};

// How much larger than designed a window is drawn for its font; never below
// 1. The design is to the pixel for a font whose widest hexadecimal digit is
// 6 pixels wide and whose line is 13 pixels high: 32 digits fill Edit7, and
// every UUID must show whole.
struct DesignScale {
    double x = 1;
    double y = 1;
};
DesignScale designScale(double widestHexDigit, double lineHeight);

// Edges are scaled, not sizes, so neighbours that touch in the design still
// touch and gaps keep their proportions.
DesignRect scaled(const DesignRect& designed, DesignScale scale);

}  // namespace quarnel::form
