#include "main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/wide_text_windows.h"

namespace quarnel::win32 {
namespace {

using form::Control;
using form::ControlKind;
using platform::utf8FromWide;
using platform::wideFromUtf8;

constexpr wchar_t ClassName[] = L"QuarnelForm1";
constexpr wchar_t Caption[] = L"Quarnel " QUARNEL_VERSION_TEXT;
constexpr wchar_t MessageCaption[] = L"Quarnel";
// A single border that can't be resized, a system menu and a minimise box.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT OpenDroppedFile = WM_APP;
constexpr int FirstControlId = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send

int idOf(Control control) { return FirstControlId + static_cast<int>(control); }

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD extendedStyle;
};

ControlClass classOf(const form::DesignedControl& design) {
    switch (design.kind) {
        case ControlKind::EditBox:
            return {WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | (design.readOnly ? ES_READONLY : 0u), WS_EX_CLIENTEDGE};
        case ControlKind::Button: return {WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::Label: return {WC_STATICW, SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0};
        case ControlKind::UpDown: return {UPDOWN_CLASSW, WS_TABSTOP, 0};
        case ControlKind::Bevel: break;
    }
    return {WC_STATICW, SS_ETCHEDHORZ, 0};
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The system's dialog font at `dpi`; the metrics Windows gives are for the
// system's DPI.
HFONT dialogFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), systemDpi);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// The width that counts is that of the widest hexadecimal digit: the
// average character width alone is narrower than the digits of most fonts.
form::DesignScale scaleFor(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    double widest = metrics.tmAveCharWidth;
    for (const wchar_t digit : std::wstring_view(L"0123456789ABCDEF")) {
        SIZE size{};
        GetTextExtentPoint32W(dc, &digit, 1, &size);
        widest = std::max<double>(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return form::designScale(widest, metrics.tmHeight);
}

UINT dpiOf(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

// The dialog's filter: caption and pattern of each choice, each ended by a
// zero, and one more zero at the end.
std::wstring filterText(const std::vector<form::FileFilter>& filters) {
    std::wstring text;
    for (const auto& filter : filters) {
        text += wideFromUtf8(filter.caption) + L'\0';
        text += wideFromUtf8(filter.pattern) + L'\0';
    }
    return text + L'\0';
}

}  // namespace

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
}

bool MainWindow::create(HINSTANCE instance, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ClassName;
    if (!RegisterClassExW(&windowClass)) return false;
    const DWORD extendedStyle = WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT;
    if (!CreateWindowExW(extendedStyle, ClassName, Caption, WindowStyle, form::DesignedLeft, form::DesignedTop,
                         form::DesignedClientArea.width, form::DesignedClientArea.height, nullptr, nullptr, instance,
                         this))
        return false;
    createControls(instance);
    placeControls(dpiOf(window_));
    created_ = true;
    ShowWindow(window_, show);
    focused_ = control(Control::Edit1);
    SetFocus(focused_);
    return true;
}

// Created in the design's order, which is the tab order.
void MainWindow::createControls(HINSTANCE instance) {
    for (const auto& design : form::designedControls()) {
        const ControlClass kind = classOf(design);
        HWND child = CreateWindowExW(kind.extendedStyle, kind.name, wideFromUtf8(design.text).c_str(),
                                     WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(design.control))), instance,
                                     nullptr);
        EnableWindow(child, design.enabled);
        controls_[design.control] = child;
    }
    HWND selector = control(Control::UpDown1);
    SendMessageW(selector, UDM_SETRANGE32, form::SelectorMinimum, form::SelectorMaximum);
    SendMessageW(selector, UDM_SETPOS32, 0, position_);
    SetWindowSubclass(selector, selectorProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
}

// The design scaled to the dialog font at the window's DPI; the size stays
// fixed for it.
void MainWindow::placeControls(UINT dpi) {
    HFONT font = dialogFont(dpi);
    const form::DesignScale scale = scaleFor(window_, font);
    const form::DesignRect client = form::scaled(form::DesignedClientArea, scale);
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, WindowStyle, FALSE, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& design : form::designedControls()) {
        const form::DesignRect r = form::scaled(design.rect, scale);
        MoveWindow(control(design.control), r.left, r.top, r.width, r.height, TRUE);
        SendMessageW(control(design.control), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (font_) DeleteObject(font_);
    font_ = font;
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == control(Control::UpDown1) && LOWORD(wParam) == SB_THUMBPOSITION)
                selectorScrolled();
            return 0;
        case WM_ACTIVATE:
            // A message box or the dialog took the focus; it comes back to
            // the control that had it, as in any dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus && IsChild(window_, focus)) focused_ = focus;
            } else if (focused_) {
                SetFocus(focused_);
            }
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            placeControls(HIWORD(wParam));
            return 0;
        }
        case WM_DROPFILES:
            filesDropped(reinterpret_cast<HDROP>(wParam));
            return 0;
        case OpenDroppedFile:
            form_.openFile(dropped_);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void MainWindow::command(int id, int code) {
    const auto control = static_cast<Control>(id - FirstControlId);
    if (code == BN_CLICKED) {
        if (control == Control::Button1) form_.Button1Click();
        if (control == Control::Button2) form_.Button2Click();
        if (control == Control::Button3) form_.Button3Click();
    } else if (code == EN_CHANGE && created_) {
        if (std::find(form::RowBoxes.begin(), form::RowBoxes.end(), control) != form::RowBoxes.end())
            form_.boxChanged(control);
    }
}

// At either end a step changes nothing and raises nothing.
void MainWindow::selectorScrolled() {
    const int position = static_cast<int>(SendMessageW(control(Control::UpDown1), UDM_GETPOS32, 0, 0));
    if (position == position_) return;
    position_ = position;
    form_.UpDown1Click();
}

void MainWindow::stepSelector(int delta) {
    const int next = std::clamp(position_ + delta, form::SelectorMinimum, form::SelectorMaximum);
    if (next == position_) return;
    setSelectorPosition(next);
    form_.UpDown1Click();
}

// The selector takes Up and Down itself, where a dialog would move the focus.
LRESULT CALLBACK MainWindow::selectorProcedure(HWND selector, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR self) {
    if (message == WM_GETDLGCODE) return DLGC_WANTARROWS;
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN)) {
        reinterpret_cast<MainWindow*>(self)->stepSelector(wParam == VK_UP ? +1 : -1);
        return 0;
    }
    return DefSubclassProc(selector, message, wParam, lParam);
}

// One file only; Extract runs once the drop is over, so its message boxes
// don't hold up the program the file was dragged from.
void MainWindow::filesDropped(HDROP drop) {
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        std::wstring name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size())));
        dropped_ = utf8FromWide(name);
        PostMessageW(window_, OpenDroppedFile, 0, 0);
    }
    DragFinish(drop);
}

std::string MainWindow::boxText(Control box) const { return utf8FromWide(windowText(control(box))); }

// A text set by the program is shown from its start.
void MainWindow::showText(Control which, const std::string& text) {
    SetWindowTextW(control(which), wideFromUtf8(text).c_str());
    if (form::designOf(which).kind == ControlKind::EditBox) SendMessageW(control(which), EM_SETSEL, 0, 0);
}

void MainWindow::enable(Control which, bool enabled) { EnableWindow(control(which), enabled); }

// An edit box takes 0 as no limit: a field of no characters makes its box
// read-only instead.
void MainWindow::limitBox(Control box, std::size_t length) {
    const bool none = length == FormView::NoLimit;
    SendMessageW(control(box), EM_SETREADONLY, !none && length == 0, 0);
    SendMessageW(control(box), EM_SETLIMITTEXT, none ? 0 : length, 0);
}

void MainWindow::setSelectorPosition(int position) {
    position_ = position;
    SendMessageW(control(Control::UpDown1), UDM_SETPOS32, 0, position);
}

void MainWindow::showMessage(const std::string& text) {
    MessageBoxW(window_, wideFromUtf8(text).c_str(), MessageCaption, MB_OK);
}

std::optional<std::string> MainWindow::askForFile(const form::OpenDialogSpec& spec) {
    const std::wstring filter = filterText(spec.filters);
    const std::wstring folder = wideFromUtf8(spec.initialFolder);
    const std::wstring extension = wideFromUtf8(spec.defaultExtension);
    std::wstring name(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = extension.c_str();
    // The working directory stays: new.rom is written there.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    return utf8FromWide(name.c_str());
}

void MainWindow::quit() { PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace quarnel::win32
