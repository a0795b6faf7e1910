#include "form_logic.h"

#include <filesystem>
#include <system_error>

#include "dmi/dmi_display.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/dmi_workflow.h"
#include "dmi/latin1_text.h"
#include "platform/file_io.h"

namespace quarnel::form {
namespace {

bool fileExists(const std::string& fileName) {
    std::error_code error;
    const auto status = std::filesystem::status(platform::filePath(fileName), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// The window's own text for an input it can't read or that holds no
// directory; every other failure is shown as the engine words it.
std::string shownFailure(const Result& result, const std::string& inputName) {
    if (result.outcome == Outcome::CantOpen || result.outcome == Outcome::NoDirectory)
        return dmi::messages::CantOpen + inputName;
    return result.message;
}

std::string currentFolder() {
    std::error_code error;
    const std::u8string folder = std::filesystem::current_path(error).u8string();
    return {folder.begin(), folder.end()};
}

}  // namespace

OpenDialogSpec Form::openDialogSpec(const std::string& initialFolder) {
    return {initialFolder, {{"Bios files (*.rom)", "*.rom"}, {"All files", "*"}}, "rom"};
}

// Edit1's text is the file layer's name: UTF-8, or the system's bytes.
std::string Form::fileName() const { return view_.boxText(Control::Edit1); }

void Form::openFile(const std::string& fileName) {
    view_.showText(Control::Edit1, fileName);
    Button1Click();
}

void Form::Button1Click() {
    view_.setSelectorPosition(SelectorMinimum);
    const std::string name = fileName();
    if (!fileExists(name)) return;
    const Result extracted = dmi::extractDmi(session_, name);
    if (!extracted.ok())
        view_.showMessage(shownFailure(extracted, name));
    else
        showExtracted();
    quitIfRequested();
}

// The date, then each problem of the module (each ends the program), then
// type 1, and Pack enabled.
void Form::showExtracted() {
    view_.showText(Control::Label1, dmi::utf8FromLatin1(session_.state.biosDate));
    for (const std::string& problem : session_.problems) {
        view_.showMessage(problem);
        quitRequested_ = true;
    }
    showRows(dmi::rowsDisplay(session_.state, dmi::DisplayForm::AfterExtract));
    view_.showText(Control::Edit2, "1");
    view_.enable(Control::Button2, true);
}

void Form::Button2Click() {
    const std::string name = fileName();
    const dmi::PackRequest request{.inputName = name,
                                   .outputName = OutputFileName,
                                   .uuidText = [this] { return takeUuidText(); },
                                   .saved = [this] { view_.showMessage(dmi::messages::Save); }};
    const Result packed = dmi::packDmi(session_, request);
    view_.showMessage(packed.ok() ? dmi::packedMessage(OutputFileName) : shownFailure(packed, name));
}

// At Pack Edit7 is upper-cased; with the selector at 1 its text is the UUID
// to write, else the held one stays.
std::optional<std::string> Form::takeUuidText() {
    std::string text = view_.boxText(Control::Edit7);
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    view_.showText(Control::Edit7, text);
    if (view_.selectorPosition() != 1) return std::nullopt;
    return text;
}

void Form::Button3Click() {
    if (auto chosen = view_.askForFile(openDialogSpec(currentFolder()))) lastOpenedFileName_ = std::move(*chosen);
    view_.showText(Control::Edit1, lastOpenedFileName_);
}

void Form::UpDown1Click() {
    const int position = view_.selectorPosition();
    view_.showText(Control::Edit2, std::to_string(position));
    showRows(dmi::rowsDisplay(session_.state, dmi::selectorForm(position)));
}

// Setting a box's text raises its change event, which copies the box into
// the field of the type the selector shows; the rows are filled in the order
// rowsDisplay asks for.
void Form::showRows(const dmi::RowsDisplay& rows) {
    for (std::size_t row = 0; row < RowCaptions.size(); ++row) view_.showText(RowCaptions[row], rows.table.captions[row]);
    for (std::size_t row = 0; row < rows.texts.size(); ++row) {
        // A box stops at its field's length, so the user sees the limit as
        // they type. The limit is lifted while the program sets the text, so
        // the box never cuts the field it is given.
        view_.limitBox(RowBoxes[row], FormView::NoLimit);
        view_.showText(RowBoxes[row], dmi::utf8FromLatin1(rows.texts[row]));
        view_.limitBox(RowBoxes[row], rows.lengths[row]);
    }
    // Edit7 has no limit: a UUID of the wrong length is refused whole at
    // Pack, never cut to one that looks right.
    view_.showText(Control::Edit7, rows.uuidText);
    if (rows.table.enabled)
        for (std::size_t row = 0; row < RowBoxes.size(); ++row) view_.enable(RowBoxes[row], (*rows.table.enabled)[row]);
}

void Form::boxChanged(Control box) {
    switch (box) {
        case Control::Edit3: return rowChanged(1, box);
        case Control::Edit4: return rowChanged(2, box);
        case Control::Edit5: return rowChanged(3, box);
        case Control::Edit6:
        case Control::Edit7: return rowChanged(4, Control::Edit6);
        default: return;
    }
}

// Rows 1 to 4 of the type the selector shows; type 2 is never changed.
void Form::rowChanged(int row, Control box) {
    const Result edited = dmi::applyFieldEdit(session_.state, view_.selectorPosition(), row, view_.boxText(box));
    if (!edited.ok()) view_.showMessage(edited.message);
}

// Every message of the handler has been shown by now.
void Form::quitIfRequested() {
    if (quitRequested_) view_.quit();
}

}  // namespace quarnel::form
