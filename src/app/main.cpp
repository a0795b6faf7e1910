// Quarnel: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Unit1.h"

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName("Quarnel");
    QCoreApplication::setApplicationVersion(QUARNEL_VERSION_TEXT);
}

// --help and --version are answered before the window's application starts,
// so they work without a display. Returns the ROM image named, if any.
QString parseCommandLine(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    nameApplication();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Changes the DMI strings and the system UUID inside an AMI BIOS ROM image.\n"
        "Name the image, press Extract, edit the strings, press Pack: the result is\n"
        "written to new.rom in the working directory.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("ROM", "A ROM image to extract at once, as if dropped on the window.", "[ROM]");
    parser.process(core);  // ends the process after help, version or a usage error
    if (parser.positionalArguments().size() > 1) {
        std::fputs("quarnel: one ROM image at most\n", stderr);
        std::exit(2);
    }
    return parser.positionalArguments().value(0);
}

}  // namespace

int main(int argc, char** argv) {
    const QString romImage = parseCommandLine(argc, argv);
    QApplication application(argc, argv);
    nameApplication();
    try {
        TForm1 Form1;
        Form1.show();
        if (!romImage.isEmpty()) Form1.openFile(romImage);
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, application.applicationName(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, application.applicationName(), QString());
    }
    return 1;
}
