// What the DMI logic needs of the window. The window is one implementation;
// HeadlessDmiView (headless_view.h) is another, for the command line and the
// tests.
#pragma once

#include <string>

namespace quarnel::dmi {

// Label2 ("DMI Type") never changes, so it has no name here.
enum class DmiLabel { Label1, Label3, Label4, Label5, Label6, Label7 };
enum class DmiEdit { Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7 };
inline constexpr int NoMaxLength = -1;

struct DmiView {
    virtual ~DmiView() = default;

    virtual void setCaption(DmiLabel label, const std::string& text) = 0;
    // Setting a value box's text raises its change event when the text
    // differs, exactly as typing does.
    virtual void setText(DmiEdit edit, const std::string& text) = 0;
    virtual std::string text(DmiEdit edit) const = 0;
    virtual void setEnabled(DmiEdit edit, bool enabled) = 0;
    // The most characters a user can type into the box; NoMaxLength lifts
    // the limit. Like setText, a limit below the box's text cuts the text
    // and raises its change event.
    virtual void setMaxLength(DmiEdit edit, int length) = 0;
    virtual void enablePack() = 0;
    virtual int selectorPosition() const = 0;
    // Does not raise the selector's click event.
    virtual void setSelectorPosition(int position) = 0;
    // Modal: returns once the user has confirmed.
    virtual void showMessage(const std::string& text) = 0;
    // Carried out once the current event handler has returned.
    virtual void requestQuit() = 0;
};

}  // namespace quarnel::dmi
