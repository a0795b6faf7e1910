// Prints the designed rectangle of every control, one per line:
// "name left top width height". The window table clicks by it.
#include <cstdio>

#include "form_design.h"

int main() {
    for (const auto& control : quarnel::form::designedControls())
        std::printf("%s %d %d %d %d\n", control.name, control.rect.left, control.rect.top, control.rect.width,
                    control.rect.height);
    const auto area = quarnel::form::DesignedClientArea;
    std::printf("Form1 0 0 %d %d\n", area.width, area.height);
}
