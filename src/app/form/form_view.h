// What the form asks of a window: its controls' texts and states, message
// boxes, the open dialog and the quit. Texts are UTF-8 throughout; each
// window turns them into its toolkit's own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "form_design.h"

namespace quarnel::form {

// One choice of the open dialog: what it shows and the pattern it matches.
struct FileFilter {
    const char* caption;
    const char* pattern;
};

struct OpenDialogSpec {
    std::string initialFolder;  // UTF-8
    std::vector<FileFilter> filters;
    const char* defaultExtension;
};

class FormView {
public:
    // A box with no limit takes as much as its toolkit allows.
    static constexpr std::size_t NoLimit = static_cast<std::size_t>(-1);

    virtual ~FormView() = default;

    virtual std::string boxText(Control control) const = 0;
    // A box's text is shown from its start, and setting it raises its change
    // event as typing does; a label takes it as its caption.
    virtual void showText(Control control, const std::string& text) = 0;
    virtual void enable(Control control, bool enabled) = 0;
    // The most characters the user may type into the box; a text the
    // program sets is never cut.
    virtual void limitBox(Control box, std::size_t length) = 0;
    virtual int selectorPosition() const = 0;
    // Raises no event.
    virtual void setSelectorPosition(int position) = 0;
    // Modal, one text and an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // Modal; the file chosen, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> askForFile(const OpenDialogSpec& spec) = 0;
    // Ends the program once the event being handled is over.
    virtual void quit() = 0;
};

}  // namespace quarnel::form
