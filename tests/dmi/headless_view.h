// The window's DMI handlers without Qt: a stand-in for TForm1 that holds
// the texts, captions, enabled states and length limits of its controls
// (cutting a text to its box's limit as a box does), raises the value
// boxes' change events on every text change as the window does, collects
// the messages, and calls the engine as the window's handlers do. The DMI
// tests and the fuzzer drive the engine through it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dmi/dmi_display.h"
#include "dmi/dmi_session.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// Label2 ("DMI Type") never changes, so it has no name here.
enum class DmiLabel { Label1, Label3, Label4, Label5, Label6, Label7 };
enum class DmiEdit { Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7 };

// The captions and boxes of the five rows.
inline constexpr std::array<DmiLabel, 5> RowLabels = {DmiLabel::Label3, DmiLabel::Label4, DmiLabel::Label5,
                                                     DmiLabel::Label6, DmiLabel::Label7};
inline constexpr std::array<DmiEdit, 5> ValueBoxes = {DmiEdit::Edit3, DmiEdit::Edit4, DmiEdit::Edit5, DmiEdit::Edit6,
                                                     DmiEdit::Edit7};

class HeadlessDmiView {
public:
    explicit HeadlessDmiView(DmiState& state);

    void setCaption(DmiLabel label, const std::string& text);
    // Raises the box's change event when the text differs, as typing does.
    void setText(DmiEdit edit, const std::string& text);
    std::string text(DmiEdit edit) const;
    void setEnabled(DmiEdit edit, bool enabled);
    void enablePack() { packEnabled_ = true; }
    int selectorPosition() const { return position_; }
    // Does not raise the selector's click event.
    void setSelectorPosition(int position) { position_ = position; }
    void showMessage(const std::string& text) { messages_.push_back(text); }
    void requestQuit() { quitRequested_ = true; }
    void showRows(const RowsDisplay& rows);

    // What a user can do: type into an enabled box (false when disabled),
    // and click the selector to a position (1 to 3; no wrap-around).
    bool type(DmiEdit edit, const std::string& text);
    void clickSelector(int position);

    const std::string& caption(DmiLabel label) const;
    bool enabled(DmiEdit edit) const;
    bool packEnabled() const { return packEnabled_; }
    bool quitRequested() const { return quitRequested_; }
    const std::vector<std::string>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }

private:
    static constexpr std::size_t NoLimit = static_cast<std::size_t>(-1);
    void valueBoxChanged(DmiEdit edit);

    DmiState& state_;
    std::array<std::string, 7> texts_;  // UTF-8, as a window's boxes hold them
    std::array<bool, 7> enabled_;
    std::array<std::size_t, 7> maxLengths_;  // characters; NoLimit for none
    std::array<std::string, 6> captions_;
    int position_ = 1;
    bool packEnabled_ = false;
    bool quitRequested_ = false;
    std::vector<std::string> messages_;
};

// The window's handlers. Extract's reading and display: a refused module
// shows its message and leaves everything as it was; returns that message,
// empty when the module was read.
std::string parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents, HeadlessDmiView& view);
// A value box's change event: row 1 to 4 of the type the selector shows.
void applyFieldEdit(DmiState& state, const HeadlessDmiView& view, int row, const std::string& text);
// Pack's write-back: Edit7 upper-cased, and with the selector at 1 the UUID
// taken from it. Returns the message of a refusal, empty when written.
std::string writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, HeadlessDmiView& view);
// Button1Click: a missing file does nothing but reset the selector.
Result extractDmi(DmiSession& session, HeadlessDmiView& view, const std::string& fileName);
// Button2Click.
Result packDmi(DmiSession& session, HeadlessDmiView& view, const std::string& inputName,
               const std::string& outputName);

}  // namespace quarnel::dmi
