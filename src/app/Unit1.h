// The main window: a ROM image's name, Extract and Pack, and five rows of
// DMI strings of the type the selector shows. The DMI logic lives in
// src/dmi; the window is its view.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "dmi/dmi_session.h"
#include "dmi/dmi_view.h"

class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

// Every message box of the program: modal, one text, an OK button. Tests
// put a handler of their own in place of the box.
void ShowMessage(const QString& text);
void setShowMessageHandler(std::function<void(const QString&)> handler);

class TForm1 : public QWidget, public quarnel::dmi::DmiView {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    // A file dropped on the window, or named on the command line: Edit1
    // takes its name, then Extract runs as if Button1 were clicked.
    void openFile(const QString& fileName);

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void UpDown1Click();
    void Edit3Change();
    void Edit4Change();
    void Edit5Change();
    void Edit6Change();

    // Runs the open dialog (exec by default); tests answer it themselves.
    std::function<int(QFileDialog&)> runOpenDialog;
    // Carries out a quit request; by default the application quits once
    // the event loop is reached again.
    std::function<void()> quitApplication;

    // DmiView
    void setCaption(quarnel::dmi::DmiLabel label, const std::string& text) override;
    void setText(quarnel::dmi::DmiEdit edit, const std::string& text) override;
    std::string text(quarnel::dmi::DmiEdit edit) const override;
    void setEnabled(quarnel::dmi::DmiEdit edit, bool enabled) override;
    void setMaxLength(quarnel::dmi::DmiEdit edit, int length) override;
    void enablePack() override;
    int selectorPosition() const override;
    void setSelectorPosition(int position) override;
    void showMessage(const std::string& text) override;
    void requestQuit() override;

protected:
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void placeControls();
    template <typename Control>
    Control* designed(Control* control, const char* name, QRect geometry);
    void arrangeTabOrder();
    std::string fileName() const;
    void connectEvents();
    void quitIfRequested();
    QLineEdit* edit(quarnel::dmi::DmiEdit edit) const;
    QLabel* label(quarnel::dmi::DmiLabel label) const;

    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QPushButton *Button1, *Button2, *Button3;
    UpDown* UpDown1;
    QFrame* Bevel1;
    QFileDialog* OpenDialog1;
    QString lastOpenedFileName_;
    std::vector<std::pair<QWidget*, QRect>> design_;

    quarnel::dmi::DmiSession session_;
    bool quitRequested_ = false;
};
