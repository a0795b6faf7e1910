#include "dmi/headless_view.h"

#include <algorithm>

#include "dmi/dmi_display.h"
#include "dmi/dmi_edit.h"

namespace quarnel::dmi {
namespace {

std::size_t index(DmiEdit edit) { return static_cast<std::size_t>(edit); }
std::size_t index(DmiLabel label) { return static_cast<std::size_t>(label); }

}  // namespace

// The window's contents at start-up.
HeadlessDmiView::HeadlessDmiView(DmiState& state)
    : state_(state),
      texts_{std::string("bios.rom"), std::string("1")},
      captions_{std::string("-"), std::string("N/A"), std::string("N/A"), std::string("N/A"), std::string("N/A"),
                std::string("N/A")} {
    enabled_.fill(true);
    maxLengths_.fill(NoMaxLength);
}

void HeadlessDmiView::setCaption(DmiLabel label, const std::string& text) { captions_[index(label)] = text; }

void HeadlessDmiView::setText(DmiEdit edit, const std::string& text) {
    const int limit = maxLengths_[index(edit)];
    const std::string shown = limit == NoMaxLength ? text : text.substr(0, static_cast<std::size_t>(limit));
    if (texts_[index(edit)] == shown) return;
    texts_[index(edit)] = shown;
    valueBoxChanged(state_, *this, edit);
}

std::string HeadlessDmiView::text(DmiEdit edit) const { return texts_[index(edit)]; }
void HeadlessDmiView::setEnabled(DmiEdit edit, bool enabled) { enabled_[index(edit)] = enabled; }
void HeadlessDmiView::setMaxLength(DmiEdit edit, int length) {
    maxLengths_[index(edit)] = length;
    setText(edit, texts_[index(edit)]);
}
void HeadlessDmiView::enablePack() { packEnabled_ = true; }
int HeadlessDmiView::selectorPosition() const { return position_; }
void HeadlessDmiView::setSelectorPosition(int position) { position_ = position; }
void HeadlessDmiView::showMessage(const std::string& text) { messages_.push_back(text); }
void HeadlessDmiView::requestQuit() { quitRequested_ = true; }

bool HeadlessDmiView::type(DmiEdit edit, const std::string& text) {
    if (!enabled_[index(edit)]) return false;
    setText(edit, text);
    return true;
}

void HeadlessDmiView::clickSelector(int position) {
    int clamped = std::clamp(position, 1, 3);
    if (clamped == position_) return;
    position_ = clamped;
    showSelectedType(state_, *this);
}

const std::string& HeadlessDmiView::caption(DmiLabel label) const { return captions_[index(label)]; }
bool HeadlessDmiView::enabled(DmiEdit edit) const { return enabled_[index(edit)]; }
int HeadlessDmiView::maxLength(DmiEdit edit) const { return maxLengths_[index(edit)]; }

}  // namespace quarnel::dmi
