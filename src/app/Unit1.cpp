#include "Unit1.h"

#include <QApplication>
#include <QDropEvent>
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

#include "UpDown.h"

namespace {

using quarnel::form::Control;
using quarnel::form::ControlKind;

std::function<void(const QString&)>& messageHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

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

// The width that counts is that of the widest hexadecimal digit: the
// toolkit's average character width alone is narrower than the digits of
// most fonts.
quarnel::form::DesignScale designScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    double width = metrics.averageCharWidth();
    for (QChar digit : QStringLiteral("0123456789ABCDEF")) width = std::max(width, metrics.horizontalAdvance(digit));
    return quarnel::form::designScale(width, metrics.height());
}

QRect toQRect(const quarnel::form::DesignRect& r) { return QRect(r.left, r.top, r.width, r.height); }

// A name filter as the Qt dialog shows it: "Caption (pattern)".
QStringList nameFilters(const std::vector<quarnel::form::FileFilter>& filters) {
    QStringList names;
    for (const auto& filter : filters) {
        const QString caption = QString::fromLatin1(filter.caption);
        names << (caption.contains('(') ? caption : caption + " (" + QString::fromLatin1(filter.pattern) + ")");
    }
    return names;
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
    move(quarnel::form::DesignedLeft, quarnel::form::DesignedTop);
    setAcceptDrops(true);
    runOpenDialog = [](QFileDialog& dialog) { return dialog.exec(); };
    quitApplication = [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); };
    createControls();
    placeControls();
    connectEvents();
}

QWidget* TForm1::createControl(const quarnel::form::DesignedControl& design) {
    const QString text = QString::fromLatin1(design.text);
    switch (design.kind) {
        case ControlKind::EditBox: {
            auto* box = new QLineEdit(text, this);
            box->setReadOnly(design.readOnly);
            box->installEventFilter(this);  // a dropped file is the window's, not the box's
            return box;
        }
        case ControlKind::Button:
            return new QPushButton(text, this);
        case ControlKind::Label: {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            return label;
        }
        case ControlKind::UpDown:
            UpDown1 = new UpDown(this);
            UpDown1->setRange(quarnel::form::SelectorMinimum, quarnel::form::SelectorMaximum);
            UpDown1->setPosition(quarnel::form::SelectorMinimum);
            return UpDown1;
        case ControlKind::Bevel:
            break;
    }
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    return bevel;
}

// Created in the design's order, which is the tab order.
void TForm1::createControls() {
    for (const auto& design : quarnel::form::designedControls()) {
        QWidget* control = createControl(design);
        control->setObjectName(design.name);
        control->setEnabled(design.enabled);
        controls_[design.control] = control;
    }
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
}

// The design scaled to the window's font; the size stays fixed for it.
void TForm1::placeControls() {
    const auto scale = designScale(font());
    setFixedSize(toQRect(quarnel::form::scaled(quarnel::form::DesignedClientArea, scale)).size());
    for (const auto& design : quarnel::form::designedControls())
        controls_[design.control]->setGeometry(toQRect(quarnel::form::scaled(design.rect, scale)));
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) placeControls();
    QWidget::changeEvent(event);
}

void TForm1::openFile(const QString& fileName) { form_.openFile(fileName.toStdString()); }

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

void TForm1::connectEvents() {
    connect(static_cast<QPushButton*>(controls_[Control::Button1]), &QPushButton::clicked, this,
            [this] { form_.Button1Click(); });
    connect(static_cast<QPushButton*>(controls_[Control::Button2]), &QPushButton::clicked, this,
            [this] { form_.Button2Click(); });
    connect(static_cast<QPushButton*>(controls_[Control::Button3]), &QPushButton::clicked, this,
            [this] { form_.Button3Click(); });
    connect(UpDown1, &UpDown::click, this, [this] { form_.UpDown1Click(); });
    for (const Control row : quarnel::form::RowBoxes)
        connect(box(row), &QLineEdit::textChanged, this, [this, row] { form_.boxChanged(row); });
}

QLineEdit* TForm1::box(Control control) const { return static_cast<QLineEdit*>(controls_.at(control)); }

std::string TForm1::boxText(Control control) const { return box(control)->text().toStdString(); }

// A text set by the program is shown from its start.
void TForm1::showText(Control control, const std::string& text) {
    if (quarnel::form::designOf(control).kind == ControlKind::Label)
        return static_cast<QLabel*>(controls_.at(control))->setText(fromUtf8(text));
    box(control)->setText(fromUtf8(text));
    box(control)->setCursorPosition(0);
}

void TForm1::enable(Control control, bool enabled) { controls_.at(control)->setEnabled(enabled); }

void TForm1::limitBox(Control control, std::size_t length) {
    box(control)->setMaxLength(static_cast<int>(std::min<std::size_t>(length, NoLimit)));
}

int TForm1::selectorPosition() const { return UpDown1->position(); }
void TForm1::setSelectorPosition(int position) { UpDown1->setPosition(position); }

void TForm1::showMessage(const std::string& text) { ShowMessage(fromUtf8(text)); }

std::optional<std::string> TForm1::askForFile(const quarnel::form::OpenDialogSpec& spec) {
    OpenDialog1->setDirectory(fromUtf8(spec.initialFolder));
    OpenDialog1->setNameFilters(nameFilters(spec.filters));
    OpenDialog1->setDefaultSuffix(QString::fromLatin1(spec.defaultExtension));
    if (runOpenDialog(*OpenDialog1) != QDialog::Accepted) return std::nullopt;
    return OpenDialog1->selectedFiles().value(0).toStdString();
}

void TForm1::quit() { quitApplication(); }
