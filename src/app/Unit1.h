// The main window in Qt: it creates the designed controls, places them
// scaled to its font and forwards their events to the form, which holds
// everything the window does (form/form_logic.h).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "form_logic.h"
#include "form_view.h"

class QFileDialog;
class QLineEdit;
class QPushButton;
class UpDown;

// Every message box of the program: modal, one text, an OK button. Tests
// put a handler of their own in place of the box.
void ShowMessage(const QString& text);
void setShowMessageHandler(std::function<void(const QString&)> handler);

class TForm1 : public QWidget, private quarnel::form::FormView {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    // A file dropped on the window, or named on the command line: Edit1
    // takes its name, then Extract runs as if Button1 were clicked.
    void openFile(const QString& fileName);

    void Button1Click() { form_.Button1Click(); }
    void Button2Click() { form_.Button2Click(); }
    void Button3Click() { form_.Button3Click(); }

    // Runs the open dialog (exec by default); tests answer it themselves.
    std::function<int(QFileDialog&)> runOpenDialog;
    // Carries out a quit request; by default the application quits once
    // the event loop is reached again.
    std::function<void()> quitApplication;

protected:
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QWidget* createControl(const quarnel::form::DesignedControl& design);
    void placeControls();
    void connectEvents();
    QLineEdit* box(quarnel::form::Control control) const;

    // The form's view.
    std::string boxText(quarnel::form::Control control) const override;
    void showText(quarnel::form::Control control, const std::string& text) override;
    void enable(quarnel::form::Control control, bool enabled) override;
    void limitBox(quarnel::form::Control box, std::size_t length) override;
    int selectorPosition() const override;
    void setSelectorPosition(int position) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> askForFile(const quarnel::form::OpenDialogSpec& spec) override;
    void quit() override;

    std::map<quarnel::form::Control, QWidget*> controls_;
    UpDown* UpDown1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    quarnel::form::Form form_{*this};
};
