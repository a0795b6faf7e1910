// A DmiView without a window: it holds the texts, captions, enabled states
// and length limits (cutting texts to them as a box does), raises the value
// boxes' change events on every text change as the window does, and
// collects the messages. The command line packs through
// it; the tests drive the DMI logic with it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "dmi/dmi_state.h"
#include "dmi/dmi_view.h"

namespace quarnel::dmi {

class HeadlessDmiView : public DmiView {
public:
    explicit HeadlessDmiView(DmiState& state);

    void setCaption(DmiLabel label, const std::string& text) override;
    void setText(DmiEdit edit, const std::string& text) override;
    std::string text(DmiEdit edit) const override;
    void setEnabled(DmiEdit edit, bool enabled) override;
    void setMaxLength(DmiEdit edit, int length) override;
    void enablePack() override;
    int selectorPosition() const override;
    void setSelectorPosition(int position) override;
    void showMessage(const std::string& text) override;
    void requestQuit() override;

    // What a user can do: type into an enabled box (false when disabled),
    // and click the selector to a position (1 to 3; no wrap-around).
    bool type(DmiEdit edit, const std::string& text);
    void clickSelector(int position);

    const std::string& caption(DmiLabel label) const;
    bool enabled(DmiEdit edit) const;
    int maxLength(DmiEdit edit) const;
    bool packEnabled() const { return packEnabled_; }
    bool quitRequested() const { return quitRequested_; }
    const std::vector<std::string>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }

private:
    DmiState& state_;
    std::array<std::string, 7> texts_;
    std::array<bool, 7> enabled_;
    std::array<int, 7> maxLengths_;
    std::array<std::string, 6> captions_;
    int position_ = 1;
    bool packEnabled_ = false;
    bool quitRequested_ = false;
    std::vector<std::string> messages_;
};

}  // namespace quarnel::dmi
