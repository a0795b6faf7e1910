/* Test helper, run under wine beside quarnel.exe: waits up to five seconds
   for a message box captioned "Quarnel" and prints its text in UTF-8; exit
   status 1 when none came. The box is left open: the keyboard closes it. */
#include <windows.h>
#include <stdio.h>

static HWND found;

static BOOL CALLBACK longestText(HWND child, LPARAM best) {
    wchar_t name[16], text[4096];
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Static") != 0) return TRUE;
    int length = GetWindowTextW(child, text, 4096);
    if (length > (int)wcslen((wchar_t*)best)) lstrcpyW((wchar_t*)best, text);
    return TRUE;
}

static BOOL CALLBACK messageBox(HWND window, LPARAM unused) {
    wchar_t name[16], caption[64];
    (void)unused;
    GetClassNameW(window, name, 16);
    GetWindowTextW(window, caption, 64);
    if (IsWindowVisible(window) && lstrcmpW(name, L"#32770") == 0 && lstrcmpW(caption, L"Quarnel") == 0) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

int main(void) {
    static wchar_t text[4096];
    static char utf8[16384];
    for (int tries = 0; tries < 100 && !found; ++tries) {
        EnumWindows(messageBox, 0);
        if (!found) Sleep(50);
    }
    if (!found) return 1;
    EnumChildWindows(found, longestText, (LPARAM)text);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), NULL, NULL);
    fwrite(utf8, 1, strlen(utf8), stdout);
    return 0;
}
