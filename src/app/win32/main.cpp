// Quarnel: the window on Windows.
#include "main_window.h"

#include <commctrl.h>

#include <exception>
#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/wide_text_windows.h"

namespace {

void showFailure(const std::string& text) {
    MessageBoxW(nullptr, quarnel::platform::wideFromUtf8(text).c_str(), L"Quarnel", MB_OK | MB_ICONERROR);
}

int runMessageLoop(quarnel::win32::MainWindow& window) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.handleDialogKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

// The window takes one optional ROM image, extracted at once as if dropped
// on it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    const std::vector<std::string> arguments = quarnel::platform::commandLineArguments(__argc, __argv);
    if (arguments.size() > 2) {
        showFailure("quarnel: one ROM image at most");
        return 2;
    }
    try {
        quarnel::win32::MainWindow window;
        if (!window.create(instance, show)) {
            showFailure("quarnel: Windows could not create the window");
            return 1;
        }
        if (arguments.size() == 2) window.openFile(arguments[1]);
        return runMessageLoop(window);
    } catch (const std::exception& error) {
        showFailure(error.what());
    } catch (...) {
        showFailure("");
    }
    return 1;
}
