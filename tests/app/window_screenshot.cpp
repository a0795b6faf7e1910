// Renders the window as it stands after Extract of bios.rom in the working
// folder, to a PNG file: the picture in the README (scripts/screenshot).
//   window_screenshot OUT.png
#include <QApplication>
#include <cstdio>

#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: window_screenshot OUT.png\n", stderr);
        return 2;
    }
    // A message box would wait for a click that never comes.
    setShowMessageHandler([](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    TForm1 form;
    form.show();
    QApplication::processEvents();
    form.Button1Click();
    QApplication::processEvents();
    return form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
