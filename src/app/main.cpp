// Quarnel: the window.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "Unit1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("Quarnel");
    try {
        TForm1 Form1;
        Form1.show();
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, application.applicationName(), QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, application.applicationName(), QString());
    }
    return 1;
}
