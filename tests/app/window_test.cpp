// The window itself: its controls, Extract, the type selector, typing,
// Pack, the open dialog, the order of the messages, its size for the font,
// the boxes' length limits and dropped files.
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "Unit1.h"
#include "UpDown.h"
#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi/uuid_text.h"
#include "image/module_chain.h"
#include "image/rom_image.h"
#include "platform/file_io.h"
#include "platform/image_files.h"
#include "sample/sample_dmi_module.h"
#include "sample/sample_image.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensWithTheDesignedControls();
    void extractSwitchTypeTypeAndPack();
    void cancellingTheFirstDialogEmptiesEdit1();
    void unsupportedBiosQuitsAfterEveryMessage();
    void nothingClipsAtTheFontsSize_data();
    void nothingClipsAtTheFontsSize();
    void valueBoxesStopAtTheFieldsLength();
    void droppedFiles_data();
    void droppedFiles();
    void packRefusesTheInputADamagedImageOrAnotherImage();
    void packOfARealImageChangesOnlyModule6();

private:
    QLineEdit* edit(const char* name) const { return form_->findChild<QLineEdit*>(name); }
    QLabel* label(const char* name) const { return form_->findChild<QLabel*>(name); }
    QPushButton* button(const char* name) const { return form_->findChild<QPushButton*>(name); }
    void clickSelector(const char* arrow) {
        QTest::mouseClick(form_->findChild<UpDown*>("UpDown1")->findChild<QToolButton*>(arrow), Qt::LeftButton);
    }
    void typeInto(const char* name, const QString& text) {
        edit(name)->selectAll();
        QTest::keyClicks(edit(name), text);
    }
    quarnel::dmi::DmiReadResult module6Of(const QString& fileName);

    QTemporaryDir dir_;
    QString oldCurrent_;
    TForm1* form_ = nullptr;
    QStringList messages_;
    int quits_ = 0;
};

void WindowTest::init() {
    QVERIFY(dir_.isValid());
    oldCurrent_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    QVERIFY(quarnel::sample::writeSampleImage("bios.rom", QUARNEL_SEABIOS_DIR).ok());
    messages_.clear();
    quits_ = 0;
    setShowMessageHandler([this](const QString& text) { messages_ << text; });
    form_ = new TForm1;
    form_->quitApplication = [this] { ++quits_; };
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_));
}

void WindowTest::cleanup() {
    delete form_;
    setShowMessageHandler({});
    QDir::setCurrent(oldCurrent_);
    QFile::remove(dir_.filePath("bios.rom"));
    QFile::remove(dir_.filePath("new.rom"));
    QFile::remove(dir_.filePath("dropped.rom"));
}

quarnel::dmi::DmiReadResult WindowTest::module6Of(const QString& fileName) {
    quarnel::image::RomImage rom;
    if (!quarnel::platform::loadImage(rom, fileName.toStdString()).ok()) return {};
    const quarnel::image::ModuleEntry* module = quarnel::image::findModule(rom, 6, 0, 0);
    return module ? quarnel::dmi::readDmiModule(module->data) : quarnel::dmi::DmiReadResult{};
}

void WindowTest::opensWithTheDesignedControls() {
    QCOMPARE(form_->windowTitle(), QString("Quarnel 1.01"));
    // The design's own pixels, with a font no larger than it was drawn for.
    QFont reference = form_->font();
    reference.setPixelSize(7);
    form_->setFont(reference);
    QCOMPARE(form_->size(), QSize(316, 223));
    QCOMPARE(edit("Edit1")->text(), QString("bios.rom"));
    QVERIFY(!button("Button2")->isEnabled());
    QCOMPARE(label("Label1")->text(), QString("-"));

    // The tab order: the focus chain's controls that take focus by Tab.
    QStringList order{"Edit1"};
    for (QWidget* w = edit("Edit1")->nextInFocusChain(); order.size() < 12; w = w->nextInFocusChain())
        if (w->parentWidget() == form_ && (w->focusPolicy() & Qt::TabFocus)) order << w->objectName();
    QCOMPARE(order, (QStringList{"Edit1", "Button1", "Button2", "Button3", "UpDown1", "Edit2", "Edit3", "Edit4",
                                 "Edit5", "Edit6", "Edit7", "Edit1"}));
}

void WindowTest::extractSwitchTypeTypeAndPack() {
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    QVERIFY(messages_.isEmpty());
    QCOMPARE(label("Label1")->text(), QString("03/14/2008"));
    QCOMPARE(label("Label4")->text(), QString("ProductName"));
    QCOMPARE(edit("Edit4")->text(), QString("NW-4200 Desktop"));
    QCOMPARE(edit("Edit7")->text(), QString("A36F1E529B04D2118C41001E8C3D7A95"));
    QVERIFY(button("Button2")->isEnabled());

    clickSelector("up");
    QCOMPARE(edit("Edit2")->text(), QString("2"));
    QVERIFY(!edit("Edit3")->isEnabled());
    clickSelector("up");
    QCOMPARE(label("Label6")->text(), QString("AssetTag Number"));
    typeInto("Edit6", "ASSET-WIN");
    clickSelector("up");  // no wrap-around: still 3
    QCOMPARE(edit("Edit2")->text(), QString("3"));
    clickSelector("down");
    clickSelector("down");
    QCOMPARE(label("Label4")->text(), QString("Product Name"));
    typeInto("Edit4", "Window Typed Product Name");
    typeInto("Edit7", "00112233445566778899aabbccddeeff");

    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    QCOMPARE(messages_, (QStringList{"Save", "Bios file new.rom is created"}));
    QCOMPARE(edit("Edit7")->text(), QString("00112233445566778899AABBCCDDEEFF"));

    const auto packed = module6Of("new.rom");
    QCOMPARE(QString::fromStdString(packed.state.type1Fields[1].text), QString("Window Typed Product Name"));
    QCOMPARE(QString::fromStdString(packed.state.type3Fields[3].text), QString("ASSET-WIN"));
    QCOMPARE(QString::fromStdString(quarnel::dmi::uuidText(packed.state.uuid)),
             QString("00112233445566778899AABBCCDDEEFF"));
    QCOMPARE(QString::fromStdString(packed.state.type1Fields[0].text),
             QString::fromLatin1(quarnel::sample::SampleSystemStrings[0].data()));
}

void WindowTest::cancellingTheFirstDialogEmptiesEdit1() {
    form_->runOpenDialog = [](QFileDialog&) { return int(QDialog::Rejected); };
    QTest::mouseClick(button("Button3"), Qt::LeftButton);
    QCOMPARE(edit("Edit1")->text(), QString());

    const QString chosen = dir_.filePath("bios.rom");
    form_->runOpenDialog = [chosen](QFileDialog& dialog) {
        dialog.selectFile(chosen);
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(button("Button3"), Qt::LeftButton);
    QCOMPARE(QFileInfo(edit("Edit1")->text()), QFileInfo(chosen));

    form_->runOpenDialog = [](QFileDialog&) { return int(QDialog::Rejected); };
    QTest::mouseClick(button("Button3"), Qt::LeftButton);
    QCOMPARE(QFileInfo(edit("Edit1")->text()), QFileInfo(chosen));
}

void WindowTest::unsupportedBiosQuitsAfterEveryMessage() {
    quarnel::image::RomImage rom;
    QVERIFY(quarnel::platform::loadImage(rom, "bios.rom").ok());
    for (auto& entry : rom.modules) {
        if (entry.moduleId != 6) continue;
        const auto read = quarnel::dmi::readDmiModule(entry.data);
        const std::string old = "10/24/2006";
        std::copy(old.begin(), old.end(), entry.data.begin() + read.state.signatureOffset + 33);
    }
    QVERIFY(quarnel::platform::rebuildImage(rom, "old.rom").ok());
    edit("Edit1")->setText("old.rom");
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    QCOMPARE(messages_, QStringList{"Bios DONT support DMI changes"});
    QCOMPARE(quits_, 1);
    QCOMPARE(label("Label1")->text(), QString("10/24/2006"));
}

namespace {

// The width a line edit gives its text: the style's contents rectangle less
// the text margins and the 2 pixels that QLineEdit keeps on either side.
int textRoom(const QLineEdit* box) {
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = box->rect();
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    return contents.width() - box->textMargins().left() - box->textMargins().right() - 2 * 2;
}

int textWidth(const QWidget* control, const QString& text) {
    return qCeil(QFontMetricsF(control->font()).horizontalAdvance(text));
}

}  // namespace

void WindowTest::nothingClipsAtTheFontsSize_data() {
    QTest::addColumn<double>("pointSizeFactor");
    QTest::newRow("default font") << 1.0;
    QTest::newRow("default font, larger by half") << 1.5;
}

// Every text the window shows fits its control, with the design's margins
// kept, at the font it is drawn with.
void WindowTest::nothingClipsAtTheFontsSize() {
    QFETCH(double, pointSizeFactor);
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * pointSizeFactor);
    form_->setFont(font);
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    QVERIFY(messages_.isEmpty());

    const auto edit7 = edit("Edit7");
    QCOMPARE(edit7->text().size(), 32);
    for (QChar digit : QStringLiteral("0123456789ABCDEF"))
        QVERIFY2(textWidth(edit7, QString(32, digit)) <= textRoom(edit7), qPrintable(QString(32, digit)));
    for (const char* text : {"Northwind Computers Inc.", "System Product Name 1234", "To Be Filled By O.E.M.  "})
        for (const char* box : {"Edit3", "Edit4", "Edit5", "Edit6"})
            QVERIFY2(textWidth(edit(box), text) <= textRoom(edit(box)), box);

    for (const char* arrow : {"up", "up", "down", "down"}) {
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7"})
            QVERIFY2(textWidth(label(name), label(name)->text()) <= label(name)->width(), name);
        for (const char* name : {"Edit2", "Edit3", "Edit4", "Edit5", "Edit6"})
            QVERIFY2(textWidth(edit(name), edit(name)->text()) <= textRoom(edit(name)), name);
        clickSelector(arrow);
    }
    for (const char* name : {"Button1", "Button2"})
        QVERIFY2(textWidth(button(name), button(name)->text()) < button(name)->width(), name);

    // "DMI Type" and the boxes right of it keep the design's 3-pixel margin
    // to the window's right edge, scaled; the last row keeps its bottom one.
    const double scaleX = form_->width() / 316.0;
    for (const char* name : {"Label2", "Edit2", "Edit7", "Button3"}) {
        QWidget* control = form_->findChild<QWidget*>(name);
        QVERIFY2(form_->width() - (control->geometry().right() + 1) >= qFloor(3 * scaleX), name);
    }
    QVERIFY(form_->height() - (edit7->geometry().bottom() + 1) >= 10);
    QVERIFY(form_->width() >= 316 && form_->height() >= 223);
}

// A string box takes up to 64 characters where the module's table may
// change its length (the sample's has the "_AMIDMI_" header), whatever the
// length of the string it shows, and what it holds is written whole.
void WindowTest::valueBoxesStopAtTheFieldsLength() {
    QTest::mouseClick(button("Button1"), Qt::LeftButton);
    const auto& strings = quarnel::sample::SampleSystemStrings;
    const char* boxes[] = {"Edit3", "Edit4", "Edit5", "Edit6"};
    for (int row = 0; row < 4; ++row) QCOMPARE(edit(boxes[row])->maxLength(), 64);

    typeInto("Edit5", "Rev 1.02 and far more text");
    QCOMPARE(edit("Edit5")->text(), QString("Rev 1.02 and far more text"));
    typeInto("Edit5", QString(70, 'x'));
    QCOMPARE(edit("Edit5")->text(), QString(64, 'x'));
    typeInto("Edit5", QString::fromLatin1(strings[2].data(), strings[2].size()));
    clickSelector("up");
    clickSelector("up");
    QCOMPARE(edit("Edit6")->maxLength(), 64);
    clickSelector("down");
    clickSelector("down");
    for (int row = 0; row < 4; ++row) QCOMPARE(edit(boxes[row])->text(), QString::fromLatin1(strings[row].data(), strings[row].size()));

    // A UUID one digit too long stays whole, so Pack refuses it rather than
    // taking a cut one.
    typeInto("Edit7", "00112233445566778899AABBCCDDEEFF0");
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    QCOMPARE(messages_, QStringList{quarnel::dmi::messages::BadUuid});
    QVERIFY(!QFile::exists("new.rom"));
}

void WindowTest::droppedFiles_data() {
    // "%1" stands for the test's folder, made only once the case runs.
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("extracts");
    QTest::newRow("one local file on the window") << QStringList{"file://%1/dropped.rom"} << "Form1" << true;
    QTest::newRow("one local file on a value box") << QStringList{"file://%1/dropped.rom"} << "Edit4" << true;
    QTest::newRow("two local files") << QStringList{"file://%1/dropped.rom", "file://%1/bios.rom"} << "Form1"
                                     << false;
    QTest::newRow("a remote file") << QStringList{"https://example.com/dropped.rom"} << "Form1" << false;
    QTest::newRow("no URL at all") << QStringList{} << "Form1" << false;
}

// A dropped file goes into Edit1 and is extracted at once; anything else
// changes nothing.
void WindowTest::droppedFiles() {
    QFETCH(QStringList, urls);
    QFETCH(QString, target);
    QFETCH(bool, extracts);
    QVERIFY(QFile::copy("bios.rom", "dropped.rom"));
    QWidget* on = target == "Form1" ? form_ : form_->findChild<QWidget*>(target);
    QList<QUrl> dragged;
    for (const QString& url : urls) dragged << QUrl(url.contains("%1") ? url.arg(dir_.path()) : url);
    QMimeData data;
    data.setUrls(dragged);
    if (dragged.isEmpty()) data.setText("a dragged text");

    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    QCOMPARE(enter.isAccepted(), extracts);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &drop);
    QCOMPARE(drop.isAccepted(), extracts);
    QCoreApplication::processEvents();

    QCOMPARE(edit("Edit1")->text(), extracts ? dir_.filePath("dropped.rom") : QString("bios.rom"));
    QCOMPARE(button("Button2")->isEnabled(), extracts);
    QCOMPARE(label("Label1")->text(), QString(extracts ? "03/14/2008" : "-"));
    QCOMPARE(edit("Edit4")->text(), QString(extracts ? "NW-4200 Desktop" : ""));
    QVERIFY(messages_.isEmpty());
}

// Pack writes nothing when the output is the input, when the input fails
// its checks, or when it is not the image whose module 6 Extract read.
void WindowTest::packRefusesTheInputADamagedImageOrAnotherImage() {
    using namespace quarnel::image;
    namespace platform = quarnel::platform;
    QVERIFY(QFile::copy("bios.rom", "new.rom"));

    std::vector<std::uint8_t> damaged;
    QVERIFY(platform::readWholeFile("bios.rom", damaged).ok());
    const ModuleChain chain = describeModuleChain(damaged);
    const auto stored = std::find_if(chain.blocks.begin(), chain.blocks.end(),
                                     [](const ModuleBlock& b) { return !b.compressed && b.dataSize > 0; });
    QVERIFY(stored != chain.blocks.end());
    damaged[stored->dataOffset() + stored->dataSize - 1] ^= 0x01;
    QVERIFY(platform::writeFileAtomically("damaged.rom", damaged).ok());

    RomImage other;
    QVERIFY(platform::loadImage(other, "bios.rom").ok());
    std::vector<std::uint8_t> module6 = findModule(other, 6, 0, 0)->data;
    module6[module6.size() / 2] ^= 0x01;
    QVERIFY(replaceModule(other, 6, 0, 0, 0, module6).ok());
    QVERIFY(platform::rebuildImage(other, "other.rom").ok());

    const struct {
        const char* extracted;
        const char* packed;
        QString message;
    } cases[] = {
        {"new.rom", "new.rom", "new.rom would overwrite the input"},
        {"damaged.rom", "damaged.rom", "damaged.rom is damaged; nothing was written:\n  " +
                                           QString::fromStdString(moduleName(*stored)) +
                                           ": the block checksum does not match"},
        {"bios.rom", "other.rom", "other.rom is not the image that was extracted; press Extract first"},
    };
    for (const auto& c : cases) {
        const QByteArray before = [] {
            QFile f("new.rom");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        edit("Edit1")->setText(c.extracted);
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        edit("Edit1")->setText(c.packed);
        messages_.clear();
        QTest::mouseClick(button("Button2"), Qt::LeftButton);
        QCOMPARE(messages_, QStringList{c.message});
        QFile after("new.rom");
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
    }
    QFile::remove("damaged.rom");
    QFile::remove("other.rom");
}

QTEST_MAIN(WindowTest)
// Every real image that takes DMI changes, packed from the window: new.rom
// differs from it only in module 6 and what module 6's new place needs.
void WindowTest::packOfARealImageChangesOnlyModule6() {
    int packed = 0;
    for (const quarnel::test::Firmware& image : quarnel::test::firmwareImages()) {
        QVERIFY(quarnel::test::writeFile("bios.rom", image.bytes));
        messages_.clear();
        QTest::mouseClick(button("Button1"), Qt::LeftButton);
        if (!messages_.isEmpty() || !button("Button2")->isEnabled()) continue;  // no module 6 that takes changes
        typeInto("Edit6", "SN-7Q2K9X4M1R8T");
        typeInto("Edit7", "8F3A2B7C9D1E4F60A5B6C7D8E9F01234");
        QTest::mouseClick(button("Button2"), Qt::LeftButton);
        QCOMPARE(messages_, (QStringList{"Save", "Bios file new.rom is created"}));
        const std::string beyond =
            quarnel::test::changesBeyondModule(image.bytes, quarnel::test::readFile("new.rom"), 6);
        QVERIFY2(beyond.empty(), (image.name + ": " + beyond).c_str());
        // The serial is written whole, however short the image's own was.
        QCOMPARE(QString::fromStdString(module6Of("new.rom").state.type1Fields[3].text), QString("SN-7Q2K9X4M1R8T"));
        ++packed;
    }
    if (packed == 0) QSKIP("no real image that takes DMI changes in the firmware folder");
}

#include "window_test.moc"
