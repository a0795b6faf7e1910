#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "UpDown.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/dmi_workflow.h"

#include <filesystem>

namespace {

std::function<void(const QString&)>& messageHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

// The ROM's strings are single bytes; Latin-1 keeps every byte as it is.
QString fromLatin1(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// Messages hold fixed texts, file names and typed characters.
void showMessage(const std::string& text) {
    ShowMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// A text set by the program is shown from its start.
void setBoxText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0);
}

bool fileExists(const std::string& fileName) {
    std::error_code error;
    auto status = std::filesystem::status(fileName, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

constexpr char OutputFileName[] = "new.rom";

// The window's own text for an input it can't read or that holds no
// directory; every other failure is shown as the engine words it.
std::string shownFailure(const quarnel::Result& result, const std::string& inputName) {
    using quarnel::Outcome;
    if (result.outcome == Outcome::CantOpen || result.outcome == Outcome::NoDirectory)
        return quarnel::dmi::messages::CantOpen + inputName;
    return result.message;
}

// QLineEdit's own default maximum length: no limit.
constexpr int NoLimit = 32767;

// The one local file a drag carries; empty for several files, for anything
// that is not a local file, and for a drag without URLs.
QString droppedFileName(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
    return urls.front().toLocalFile();
}

bool isDragOrDrop(const QEvent* event) {
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop;
}

// The window was designed to the pixel for a font whose character takes
// 6 x 13 pixels; the designed client area is 316 x 223.
constexpr QSize DesignedSize{316, 223};

// How much larger than designed the window is drawn for its font; never
// below 1.
struct DesignScale {
    double x = 1;
    double y = 1;
};

// The width that counts is that of the widest hexadecimal digit: 32 digits
// at 6 pixels fill Edit7, and every UUID must show whole. The toolkit's
// average character width alone is narrower than the digits of most fonts.
DesignScale designScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    double width = metrics.averageCharWidth();
    for (QChar digit : QStringLiteral("0123456789ABCDEF")) width = std::max(width, metrics.horizontalAdvance(digit));
    return {std::max(1.0, width / 6.0), std::max(1.0, metrics.height() / 13.0)};
}

// Designed edges are scaled, not sizes, so neighbours that touch in the
// design still touch and gaps keep their proportions.
QRect scaled(const QRect& designed, DesignScale scale) {
    auto x = [&](int v) { return static_cast<int>(std::lround(v * scale.x)); };
    auto y = [&](int v) { return static_cast<int>(std::lround(v * scale.y)); };
    const int left = x(designed.left()), top = y(designed.top());
    return QRect(left, top, x(designed.left() + designed.width()) - left, y(designed.top() + designed.height()) - top);
}

}  // namespace

void ShowMessage(const QString& text) {
    if (messageHandler()) return messageHandler()(text);
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void setShowMessageHandler(std::function<void(const QString&)> handler) { messageHandler() = std::move(handler); }

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Quarnel " QUARNEL_VERSION_TEXT));
    move(425, 314);
    setAcceptDrops(true);
    runOpenDialog = [](QFileDialog& dialog) { return dialog.exec(); };
    quitApplication = [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); };
    createControls();
    placeControls();
    arrangeTabOrder();
    connectEvents();
}

// Every control remembers the rectangle it was designed at.
template <typename Control>
Control* TForm1::designed(Control* control, const char* name, QRect geometry) {
    control->setObjectName(name);
    design_.emplace_back(control, geometry);
    return control;
}

void TForm1::createControls() {
    auto makeEdit = [this](const char* name, int left, int top, int width, const char* text) {
        auto* box = designed(new QLineEdit(QString::fromLatin1(text), this), name, QRect(left, top, width, 21));
        box->installEventFilter(this);  // a dropped file is the window's, not the box's
        return box;
    };
    auto makeLabel = [this](const char* name, int left, int top, int width, const char* caption) {
        auto* label = designed(new QLabel(QString::fromLatin1(caption), this), name, QRect(left, top, width, 13));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        return label;
    };
    auto makeButton = [this](const char* name, int left, int top, int width, int height, const char* caption) {
        return designed(new QPushButton(QString::fromLatin1(caption), this), name, QRect(left, top, width, height));
    };

    Edit1 = makeEdit("Edit1", 8, 16, 273, "bios.rom");
    Button3 = makeButton("Button3", 288, 16, 25, 21, "...");
    Button1 = makeButton("Button1", 8, 48, 57, 25, "Extract");
    Label1 = makeLabel("Label1", 72, 56, 145, "-");
    Button2 = makeButton("Button2", 224, 48, 59, 25, "Pack");
    Button2->setEnabled(false);

    Bevel1 = designed(new QFrame(this), "Bevel1", QRect(8, 80, 305, 2));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Label3 = makeLabel("Label3", 8, 100, 97, "N/A");
    Label4 = makeLabel("Label4", 8, 124, 97, "N/A");
    Label5 = makeLabel("Label5", 8, 148, 97, "N/A");
    Label6 = makeLabel("Label6", 8, 172, 97, "N/A");
    Label7 = makeLabel("Label7", 8, 196, 97, "N/A");
    Edit3 = makeEdit("Edit3", 112, 96, 145, "");
    Edit4 = makeEdit("Edit4", 112, 120, 145, "");
    Edit5 = makeEdit("Edit5", 112, 144, 145, "");
    Edit6 = makeEdit("Edit6", 112, 168, 145, "");
    Edit7 = makeEdit("Edit7", 112, 192, 201, "");

    Label2 = makeLabel("Label2", 264, 120, 49, "DMI Type");
    UpDown1 = designed(new UpDown(this), "UpDown1", QRect(264, 136, 17, 25));
    UpDown1->setRange(1, 3);
    UpDown1->setPosition(1);
    Edit2 = makeEdit("Edit2", 288, 138, 25, "1");
    Edit2->setReadOnly(true);  // it only shows the selector's position

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setNameFilters({"Bios files (*.rom)", "All files (*)"});
    OpenDialog1->setDefaultSuffix("rom");
}

// The design scaled to the window's font; the size stays fixed for it.
void TForm1::placeControls() {
    const DesignScale scale = designScale(font());
    setFixedSize(scaled(QRect(QPoint(0, 0), DesignedSize), scale).size());
    for (const auto& [control, geometry] : design_) control->setGeometry(scaled(geometry, scale));
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) placeControls();
    QWidget::changeEvent(event);
}

void TForm1::openFile(const QString& fileName) {
    Edit1->setText(fileName);
    Button1Click();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFileName(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedFileName(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// Extract runs once the drop is over: its message boxes must not hold up
// the program the file was dragged from.
void TForm1::dropEvent(QDropEvent* event) {
    const QString fileName = droppedFileName(event->mimeData());
    if (fileName.isEmpty()) return;
    event->acceptProposedAction();
    QMetaObject::invokeMethod(this, [this, fileName] { openFile(fileName); }, Qt::QueuedConnection);
}

// Boxes keep dragged text; URLs go to the window.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (!isDragOrDrop(event) || !static_cast<QDropEvent*>(event)->mimeData()->hasUrls())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Drop)
        dropEvent(static_cast<QDropEvent*>(event));
    else
        dragMoveEvent(static_cast<QDragMoveEvent*>(event));
    return true;
}

void TForm1::arrangeTabOrder() {
    QWidget* const order[] = {Edit1, Button1, Button2, Button3, UpDown1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

void TForm1::connectEvents() {
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(UpDown1, &UpDown::click, this, &TForm1::UpDown1Click);
    connect(Edit3, &QLineEdit::textChanged, this, &TForm1::Edit3Change);
    connect(Edit4, &QLineEdit::textChanged, this, &TForm1::Edit4Change);
    connect(Edit5, &QLineEdit::textChanged, this, &TForm1::Edit5Change);
    connect(Edit6, &QLineEdit::textChanged, this, &TForm1::Edit6Change);
    connect(Edit7, &QLineEdit::textChanged, this, &TForm1::Edit6Change);
}

void TForm1::Button1Click() {
    UpDown1->setPosition(1);
    if (!fileExists(fileName())) return;
    const quarnel::Result extracted = quarnel::dmi::extractDmi(session_, fileName());
    if (!extracted.ok())
        showMessage(shownFailure(extracted, fileName()));
    else
        showExtracted();
    quitIfRequested();
}

// The date, then each problem of the module (each ends the program), then
// type 1, and Pack enabled.
void TForm1::showExtracted() {
    Label1->setText(fromLatin1(session_.state.biosDate));
    for (const std::string& problem : session_.problems) {
        showMessage(problem);
        quitRequested_ = true;
    }
    showRows(quarnel::dmi::rowsDisplay(session_.state, quarnel::dmi::DisplayForm::AfterExtract));
    setBoxText(Edit2, "1");
    Button2->setEnabled(true);
}

void TForm1::Button2Click() {
    const quarnel::dmi::PackRequest request{.inputName = fileName(),
                                            .outputName = OutputFileName,
                                            .uuidText = [this] { return takeUuidText(); },
                                            .saved = [] { showMessage(quarnel::dmi::messages::Save); }};
    const quarnel::Result packed = quarnel::dmi::packDmi(session_, request);
    showMessage(packed.ok() ? quarnel::dmi::packedMessage(OutputFileName) : shownFailure(packed, fileName()));
}

// At Pack Edit7 is upper-cased; with the selector at 1 its text is the UUID
// to write, else the held one stays.
std::optional<std::string> TForm1::takeUuidText() {
    QString text = Edit7->text();
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    setBoxText(Edit7, text);
    if (UpDown1->position() != 1) return std::nullopt;
    return text.toStdString();
}

// Edit1's text as the file system spells it.
std::string TForm1::fileName() const { return QFile::encodeName(Edit1->text()).toStdString(); }

void TForm1::Button3Click() {
    OpenDialog1->setDirectory(QDir::currentPath());
    if (runOpenDialog(*OpenDialog1) == QDialog::Accepted) lastOpenedFileName_ = OpenDialog1->selectedFiles().value(0);
    Edit1->setText(lastOpenedFileName_);
}

void TForm1::UpDown1Click() {
    setBoxText(Edit2, QString::number(UpDown1->position()));
    showRows(quarnel::dmi::rowsDisplay(session_.state, quarnel::dmi::selectorForm(UpDown1->position())));
}

// Setting a box's text raises its change event, which copies the box into
// the field of the type the selector shows; the rows are filled in the order
// rowsDisplay asks for.
void TForm1::showRows(const quarnel::dmi::RowsDisplay& rows) {
    QLabel* const captions[] = {Label3, Label4, Label5, Label6, Label7};
    QLineEdit* const boxes[] = {Edit3, Edit4, Edit5, Edit6, Edit7};
    for (int row = 0; row < 5; ++row) captions[row]->setText(QString::fromLatin1(rows.table.captions[row]));
    for (int row = 0; row < 4; ++row) {
        // A box stops at its field's length, so the user sees the limit as
        // they type. The limit is lifted while the program sets the text, so
        // the box never cuts the field it is given.
        boxes[row]->setMaxLength(NoLimit);
        setBoxText(boxes[row], fromLatin1(rows.texts[row]));
        boxes[row]->setMaxLength(static_cast<int>(rows.lengths[row]));
    }
    // Edit7 has no limit: a UUID of the wrong length is refused whole at
    // Pack, never cut to one that looks right.
    setBoxText(Edit7, QString::fromLatin1(rows.uuidText));
    if (rows.table.enabled)
        for (int row = 0; row < 5; ++row) boxes[row]->setEnabled((*rows.table.enabled)[row]);
}

// Edit3 to Edit6 are rows 1 to 4 of the type the selector shows; type 2 is
// never changed. Edit7's change event is Edit6Change.
void TForm1::rowChanged(int row, const QLineEdit* box) {
    const QByteArray text = box->text().toUtf8();
    const quarnel::Result edited =
        quarnel::dmi::applyFieldEdit(session_.state, UpDown1->position(), row, text.toStdString());
    if (!edited.ok()) showMessage(edited.message);
}

void TForm1::Edit3Change() { rowChanged(1, Edit3); }
void TForm1::Edit4Change() { rowChanged(2, Edit4); }
void TForm1::Edit5Change() { rowChanged(3, Edit5); }
void TForm1::Edit6Change() { rowChanged(4, Edit6); }

// Every message of the handler has been shown by now.
void TForm1::quitIfRequested() {
    if (quitRequested_) quitApplication();
}
