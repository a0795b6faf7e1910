// Quarnel: the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Unit1.h"

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName("Quarnel");
    QCoreApplication::setApplicationVersion(QUARNEL_VERSION_TEXT);
}

// The window takes one optional ROM image; an unknown option or a second
// image is a usage error. Returns the image named, if any.
QString parseCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Changes the DMI strings and the system UUID inside an AMI BIOS ROM image.\n"
        "Name the image, press Extract, edit the strings, press Pack: the result is\n"
        "written to new.rom in the working directory.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("ROM", "A ROM image to extract at once, as if dropped on the window.", "[ROM]");
    const bool parsed = parser.parse(application.arguments());
    if (parsed && parser.isSet(help)) parser.showHelp(0);  // both end the process
    if (parsed && parser.isSet(version)) parser.showVersion();
    const QString error = parsed ? QString("one ROM image at most") : parser.errorText();
    if (!parsed || parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "quarnel: %s\nTry 'quarnel --help'.\n", qPrintable(error));
        std::exit(2);
    }
    return parser.positionalArguments().value(0);
}

// Help and version are answered before the window's application starts, so
// they work without a display.
bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        nameApplication();
        parseCommandLine(core);
    }
    // The toolkit takes its own options (-platform, -style, ...) out first.
    QApplication application(argc, argv);
    nameApplication();
    const QString romImage = parseCommandLine(application);
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
