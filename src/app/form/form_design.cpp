#include "form_design.h"

#include <algorithm>
#include <cmath>

namespace quarnel::form {
namespace {

using enum Control;
using enum ControlKind;

constexpr DesignedControl Design[] = {
    {Edit1, "Edit1", EditBox, {8, 16, 273, 21}, "bios.rom"},
    {Button1, "Button1", Button, {8, 48, 57, 25}, "Extract"},
    {Button2, "Button2", Button, {224, 48, 59, 25}, "Pack", false},
    {Button3, "Button3", Button, {288, 16, 25, 21}, "..."},
    {UpDown1, "UpDown1", UpDown, {264, 136, 17, 25}, ""},
    // It only shows the selector's position.
    {Edit2, "Edit2", EditBox, {288, 138, 25, 21}, "1", true, true},
    {Edit3, "Edit3", EditBox, {112, 96, 145, 21}, ""},
    {Edit4, "Edit4", EditBox, {112, 120, 145, 21}, ""},
    {Edit5, "Edit5", EditBox, {112, 144, 145, 21}, ""},
    {Edit6, "Edit6", EditBox, {112, 168, 145, 21}, ""},
    {Edit7, "Edit7", EditBox, {112, 192, 201, 21}, ""},
    {Label1, "Label1", Label, {72, 56, 145, 13}, "-"},
    {Label2, "Label2", Label, {264, 120, 49, 13}, "DMI Type"},
    {Label3, "Label3", Label, {8, 100, 97, 13}, "N/A"},
    {Label4, "Label4", Label, {8, 124, 97, 13}, "N/A"},
    {Label5, "Label5", Label, {8, 148, 97, 13}, "N/A"},
    {Label6, "Label6", Label, {8, 172, 97, 13}, "N/A"},
    {Label7, "Label7", Label, {8, 196, 97, 13}, "N/A"},
    {Bevel1, "Bevel1", Bevel, {8, 80, 305, 2}, ""},
};

}  // namespace

std::span<const DesignedControl> designedControls() { return Design; }

const DesignedControl& designOf(Control control) {
    return *std::find_if(std::begin(Design), std::end(Design),
                         [control](const DesignedControl& c) { return c.control == control; });
}

DesignScale designScale(double widestHexDigit, double lineHeight) {
    return {std::max(1.0, widestHexDigit / 6.0), std::max(1.0, lineHeight / 13.0)};
}

DesignRect scaled(const DesignRect& designed, DesignScale scale) {
    auto x = [&](int v) { return static_cast<int>(std::lround(v * scale.x)); };
    auto y = [&](int v) { return static_cast<int>(std::lround(v * scale.y)); };
    const int left = x(designed.left), top = y(designed.top);
    return {left, top, x(designed.left + designed.width) - left, y(designed.top + designed.height) - top};
}

}  // namespace quarnel::form
