#include "Unit1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

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
    setFixedSize(316, 223);
    move(425, 314);
    // The controls are placed to the pixel for a small 8-point dialog font.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    runOpenDialog = [](QFileDialog& dialog) { return dialog.exec(); };
    quitApplication = [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); };
    createControls();
    arrangeTabOrder();
    connectEvents();
}

void TForm1::createControls() {
    auto makeEdit = [this](const char* name, int left, int top, int width, const char* text) {
        auto* box = new QLineEdit(QString::fromLatin1(text), this);
        box->setObjectName(name);
        box->setGeometry(left, top, width, 21);
        return box;
    };
    auto makeLabel = [this](const char* name, int left, int top, int width, const char* caption) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(name);
        label->setGeometry(left, top, width, 13);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        return label;
    };
    auto makeButton = [this](const char* name, int left, int top, int width, int height, const char* caption) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(name);
        button->setGeometry(left, top, width, height);
        return button;
    };

    Edit1 = makeEdit("Edit1", 8, 16, 273, "bios.rom");
    Button3 = makeButton("Button3", 288, 16, 25, 21, "...");
    Button1 = makeButton("Button1", 8, 48, 57, 25, "Extract");
    Label1 = makeLabel("Label1", 72, 56, 145, "-");
    Button2 = makeButton("Button2", 224, 48, 59, 25, "Pack");
    Button2->setEnabled(false);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 80, 305, 2);

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
    UpDown1 = new UpDown(this);
    UpDown1->setObjectName("UpDown1");
    UpDown1->setGeometry(264, 136, 17, 25);
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
    const quarnel::image::ImageResult extracted = quarnel::dmi::extractDmi(session_, fileName());
    if (!extracted.ok())
        showMessage(extracted.message);
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
    quarnel::dmi::PackRequest request{fileName(), OutputFileName, [this] { return takeUuidText(); },
                                      [] { showMessage(quarnel::dmi::messages::Save); }};
    const quarnel::image::ImageResult packed = quarnel::dmi::packDmi(session_, request);
    showMessage(packed.ok() ? quarnel::dmi::packedMessage(OutputFileName) : packed.message);
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
    for (int row = 0; row < 4; ++row) setBoxText(boxes[row], fromLatin1(rows.texts[row]));
    setBoxText(Edit7, QString::fromLatin1(rows.uuidText));
    if (rows.table.enabled)
        for (int row = 0; row < 5; ++row) boxes[row]->setEnabled((*rows.table.enabled)[row]);
}

// Edit3 to Edit6 are rows 1 to 4 of the type the selector shows; type 2 is
// never changed. Edit7's change event is Edit6Change.
void TForm1::rowChanged(int row, const QLineEdit* box) {
    const QByteArray text = box->text().toUtf8();
    const quarnel::image::ImageResult edited =
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
