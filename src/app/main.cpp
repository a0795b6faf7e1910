// Quarnel: the window.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "Unit1.h"

namespace {

// For the README's picture: with QUARNEL_SCREENSHOT naming a PNG file, the
// window extracts the file in its name box, saves a picture of itself there
// and quits.
void scheduleScreenshot(TForm1& form, const QString& pngName) {
    QTimer::singleShot(200, &form, [&form, pngName] {
        form.Button1Click();
        QTimer::singleShot(200, &form, [&form, pngName] {
            form.grab().save(pngName, "PNG");
            QApplication::quit();
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("Quarnel");
    try {
        TForm1 Form1;
        Form1.show();
        if (const QString png = qEnvironmentVariable("QUARNEL_SCREENSHOT"); !png.isEmpty())
            scheduleScreenshot(Form1, png);
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, application.applicationName(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, application.applicationName(), QString());
    }
    return 1;
}
