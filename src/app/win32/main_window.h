// The main window in the Win32 API: it creates the designed controls,
// places them scaled to the system's dialog font at the window's DPI and
// forwards their events to the form, which holds everything the window does
// (form/form_logic.h).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <map>
#include <optional>
#include <string>

#include "form_logic.h"
#include "form_view.h"

namespace quarnel::win32 {

class MainWindow final : private form::FormView {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Creates and shows the window; false when Windows refused it.
    bool create(HINSTANCE instance, int show);
    void openFile(const std::string& fileName) { form_.openFile(fileName); }
    // Tab, Shift+Tab, Space and the rest of a dialog's keyboard; true when
    // the message was such a key and is handled.
    bool handleDialogKey(MSG& message) { return IsDialogMessageW(window_, &message) != FALSE; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK selectorProcedure(HWND selector, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(HINSTANCE instance);
    void placeControls(UINT dpi);
    void command(int id, int code);
    void selectorScrolled();
    void stepSelector(int delta);
    void filesDropped(HDROP drop);
    HWND control(form::Control which) const { return controls_.at(which); }

    // The form's view.
    std::string boxText(form::Control box) const override;
    void showText(form::Control control, const std::string& text) override;
    void enable(form::Control control, bool enabled) override;
    void limitBox(form::Control box, std::size_t length) override;
    int selectorPosition() const override { return position_; }
    void setSelectorPosition(int position) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> askForFile(const form::OpenDialogSpec& spec) override;
    void quit() override;

    HWND window_ = nullptr;
    std::map<form::Control, HWND> controls_;
    HFONT font_ = nullptr;
    HWND focused_ = nullptr;  // the control that gets the focus back when the window is active again
    int position_ = form::SelectorMinimum;
    bool created_ = false;  // change events count once every control is made
    std::string dropped_;
    form::Form form_{*this};
};

}  // namespace quarnel::win32
