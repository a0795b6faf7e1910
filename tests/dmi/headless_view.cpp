#include "headless_view.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/dmi_workflow.h"
#include "dmi/latin1_text.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"

namespace quarnel::dmi {
namespace {

std::size_t index(DmiEdit edit) { return static_cast<std::size_t>(edit); }
std::size_t index(DmiLabel label) { return static_cast<std::size_t>(label); }

std::string upperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The first `count` characters of a UTF-8 text.
std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t seen = 0; at < text.size(); ++at) {
        const bool starts = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
        if (starts && seen++ == count) break;
    }
    return text.substr(0, at);
}

// The window's own text for an input it can't read or that holds no directory.
std::string shownFailure(const Result& result, const std::string& inputName) {
    if (result.outcome == Outcome::CantOpen || result.outcome == Outcome::NoDirectory)
        return messages::CantOpen + inputName;
    return result.message;
}

bool fileExists(const std::string& fileName) {
    std::error_code error;
    auto status = std::filesystem::status(fileName, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::optional<std::string> takeUuidText(HeadlessDmiView& view) {
    const std::string upper = upperCase(view.text(DmiEdit::Edit7));
    view.setText(DmiEdit::Edit7, upper);
    if (view.selectorPosition() != 1) return std::nullopt;
    return upper;
}

// The date, each problem (each ends the program), type 1, Pack enabled.
void showExtracted(const DmiSession& session, HeadlessDmiView& view) {
    view.setCaption(DmiLabel::Label1, session.state.biosDate);
    for (const std::string& problem : session.problems) {
        view.showMessage(problem);
        view.requestQuit();
    }
    view.showRows(rowsDisplay(session.state, DisplayForm::AfterExtract));
    view.setText(DmiEdit::Edit2, "1");
    view.enablePack();
}

}  // namespace

// The window's contents at start-up.
HeadlessDmiView::HeadlessDmiView(DmiState& state)
    : state_(state),
      texts_{std::string("bios.rom"), std::string("1")},
      captions_{std::string("-"), std::string("N/A"), std::string("N/A"), std::string("N/A"), std::string("N/A"),
                std::string("N/A")} {
    enabled_.fill(true);
    maxLengths_.fill(NoLimit);
}

void HeadlessDmiView::setCaption(DmiLabel label, const std::string& text) { captions_[index(label)] = text; }

void HeadlessDmiView::setText(DmiEdit edit, const std::string& text) {
    const std::string shown = firstCharacters(text, maxLengths_[index(edit)]);
    if (texts_[index(edit)] == shown) return;
    texts_[index(edit)] = shown;
    valueBoxChanged(edit);
}

// Edit7's change event is Edit6's: it copies Edit6, not itself.
void HeadlessDmiView::valueBoxChanged(DmiEdit edit) {
    if (edit < DmiEdit::Edit3) return;
    const DmiEdit source = edit == DmiEdit::Edit7 ? DmiEdit::Edit6 : edit;
    const int row = static_cast<int>(index(source) - index(DmiEdit::Edit3)) + 1;
    const Result r = dmi::applyFieldEdit(state_, position_, row, texts_[index(source)]);
    if (!r.ok()) showMessage(r.message);
}

std::string HeadlessDmiView::text(DmiEdit edit) const { return texts_[index(edit)]; }
void HeadlessDmiView::setEnabled(DmiEdit edit, bool enabled) { enabled_[index(edit)] = enabled; }

void HeadlessDmiView::showRows(const RowsDisplay& rows) {
    for (std::size_t row = 0; row < RowLabels.size(); ++row) setCaption(RowLabels[row], rows.table.captions[row]);
    for (std::size_t row = 0; row < rows.texts.size(); ++row) {
        maxLengths_[index(ValueBoxes[row])] = NoLimit;
        setText(ValueBoxes[row], utf8FromLatin1(rows.texts[row]));
        maxLengths_[index(ValueBoxes[row])] = rows.lengths[row];
    }
    setText(DmiEdit::Edit7, rows.uuidText);
    if (rows.table.enabled)
        for (std::size_t row = 0; row < ValueBoxes.size(); ++row) setEnabled(ValueBoxes[row], (*rows.table.enabled)[row]);
}

bool HeadlessDmiView::type(DmiEdit edit, const std::string& text) {
    if (!enabled_[index(edit)]) return false;
    setText(edit, text);
    return true;
}

void HeadlessDmiView::clickSelector(int position) {
    int clamped = std::clamp(position, 1, 3);
    if (clamped == position_) return;
    position_ = clamped;
    setText(DmiEdit::Edit2, std::to_string(position_));
    showRows(rowsDisplay(state_, selectorForm(position_)));
}

const std::string& HeadlessDmiView::caption(DmiLabel label) const { return captions_[index(label)]; }
bool HeadlessDmiView::enabled(DmiEdit edit) const { return enabled_[index(edit)]; }

std::string parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents, HeadlessDmiView& view) {
    const Result read = parseDmiModule(session, contents);
    if (!read.ok()) {
        view.showMessage(read.message);
        return read.message;
    }
    showExtracted(session, view);
    return {};
}

void applyFieldEdit(DmiState& state, const HeadlessDmiView& view, int row, const std::string& text) {
    dmi::applyFieldEdit(state, view.selectorPosition(), row, text);
}

std::string writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, HeadlessDmiView& view) {
    std::optional<Uuid> uuid;
    if (const std::optional<std::string> text = takeUuidText(view)) {
        uuid = parseUuidText(*text);
        if (!uuid) return messages::BadUuid;
    }
    return dmi::writeBackDmi(state, buffer, uuid).message;
}

Result extractDmi(DmiSession& session, HeadlessDmiView& view, const std::string& fileName) {
    view.setSelectorPosition(1);
    if (!fileExists(fileName)) return {Outcome::CantOpen, fileName + ": no such file"};
    const Result extracted = dmi::extractDmi(session, fileName);
    if (!extracted.ok()) {
        view.showMessage(shownFailure(extracted, fileName));
        return extracted;
    }
    showExtracted(session, view);
    return {};
}

Result packDmi(DmiSession& session, HeadlessDmiView& view, const std::string& inputName,
               const std::string& outputName) {
    const PackRequest request{.inputName = inputName,
                              .outputName = outputName,
                              .uuidText = [&view] { return takeUuidText(view); },
                              .saved = [&view] { view.showMessage(messages::Save); }};
    const Result packed = dmi::packDmi(session, request);
    view.showMessage(packed.ok() ? packedMessage(outputName) : shownFailure(packed, inputName));
    return packed;
}

}  // namespace quarnel::dmi
