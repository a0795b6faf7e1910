// What the window does, with no toolkit in it: the handlers of its events,
// which rows show what, what is enabled, what a box may hold, what a change
// event copies, and the Extract, Pack and browse workflows with their
// messages in their order. A window forwards its events here and shows what
// it is told through its FormView.
#pragma once

#include <optional>
#include <string>

#include "dmi/dmi_display.h"
#include "dmi/dmi_session.h"
#include "form_view.h"

namespace quarnel::form {

inline constexpr char OutputFileName[] = "new.rom";

class Form {
public:
    explicit Form(FormView& view) : view_(view) {}

    // Extract, Pack and browse.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void UpDown1Click();
    // The change event of a value box, Edit3 to Edit7. Edit7's change event
    // is Edit6Change: a change of the UUID copies row 4 again.
    void boxChanged(Control box);

    // A file dropped on the window, or named on the command line: Edit1
    // takes its name, then Extract runs as if Button1 were clicked.
    void openFile(const std::string& fileName);

    // What the open dialog shows: ROM files first, then all files.
    static OpenDialogSpec openDialogSpec(const std::string& initialFolder);

private:
    std::string fileName() const;
    void showExtracted();
    void showRows(const dmi::RowsDisplay& rows);
    void rowChanged(int row, Control box);
    std::optional<std::string> takeUuidText();
    void quitIfRequested();

    FormView& view_;
    dmi::DmiSession session_;
    std::string lastOpenedFileName_;
    bool quitRequested_ = false;
};

}  // namespace quarnel::form
