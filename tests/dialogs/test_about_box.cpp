#include "support/TestSupport.h"

#include "dialogs/frmSystem_AboutBox.h"
#include "platform/AppInfo.h"
#include "widgets/Contrast.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QStringList chanceryFaces{u"Monotype Corsiva"_s, u"URW Chancery L"_s, u"Z003"_s, u"TeX Gyre Chorus"_s};
const QStringList noticeFaces{u"MS Sans Serif"_s, u"Microsoft Sans Serif"_s, u"Liberation Sans"_s, u"Arial"_s,
                              u"Nimbus Sans"_s, u"DejaVu Sans"_s};

bool ShowsColour(QWidget* widget, const QColor& colour)
{
    const QImage image = widget->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}
} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void texts_data();
    void texts();
    void fonts_data();
    void fonts();
    void colours_data();
    void colours();
    void sizeAndPlace();
    void etchedRuleAndPicture();
    void keysClose_data();
    void keysClose();
    void systemInfoIsUnavailable();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmSystem_AboutBox> dialog_;
};

void TestAboutBox::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);
    dialog_ = std::make_unique<frmSystem_AboutBox>();
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
}

void TestAboutBox::cleanup()
{
    dialog_.reset();
    sandbox_.reset();
}

void TestAboutBox::texts_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("console") << u"Stewardry"_s;
    QTest::newRow("search utility") << u"Delver"_s;
}

void TestAboutBox::texts()
{
    QFETCH(QString, program);
    AppInfo::Set(program, u"Ashcombe Levy Management System "_s + program);
    frmSystem_AboutBox box;
    QCOMPARE(box.windowTitle(), u"About The Ashcombe Levy Office System"_s);
    QCOMPARE(box.lblTitle->text(), u"Ashcombe Levy Office System"_s);
    QCOMPARE(box.lblComponent->text(), program);
    QCOMPARE(box.lblVersion->text(), u"Release 1.0"_s);
    QCOMPARE(box.lblDisclaimer->text(),
             u"Disclaimer\r\nThis software solution and its documentation are provided as is and the author will not "_s
             u"be held responsible for any liabilities arising from their use."_s);
    const QStringList description = box.lblDescription->text().split(u"\r\n"_s);
    QCOMPARE(description.size(), 3);
    QVERIFY(!description[0].trimmed().isEmpty());
    QVERIFY(!description[1].trimmed().isEmpty());
    QVERIFY(!description[0].contains(u'\n') && !description[1].contains(u'\n'));
    QCOMPARE(description[2], u"Levy Fees Processing System for the 32 Bit Windows Environment"_s);
    QCOMPARE(box.cmdOK->text(), u"OK"_s);
    QCOMPARE(box.cmdSysInfo->text(), u"&System Info..."_s);
    for (QLabel* label : {box.lblTitle, box.lblComponent, box.lblVersion, box.lblDescription, box.lblDisclaimer})
        QCOMPARE(label->textFormat(), Qt::PlainText);
}

void TestAboutBox::fonts_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("faces");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("title") << u"lblTitle"_s << chanceryFaces << 15.75 << false << true;
    QTest::newRow("component") << u"lblComponent"_s << chanceryFaces << 15.75 << false << true;
    QTest::newRow("description") << u"lblDescription"_s << noticeFaces << 8.25 << true << false;
    QTest::newRow("disclaimer") << u"lblDisclaimer"_s << noticeFaces << 8.25 << true << false;
}

void TestAboutBox::fonts()
{
    QFETCH(QString, label);
    QFETCH(QStringList, faces);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    auto* widget = dialog_->findChild<QLabel*>(label);
    QVERIFY(widget);
    const QFontInfo resolved(widget->font());
    // Whatever face was chosen, it is the first of the list that is installed.
    QString expected;
    for (const QString& face : faces)
        if (QFontDatabase::hasFamily(face)) {
            expected = face;
            break;
        }
    if (expected.isEmpty())
        QSKIP("none of the faces is installed");
    // Qt names a face installed by more than one foundry "Family [foundry]".
    QCOMPARE(resolved.family().section(u" ["_s, 0, 0), expected);
    QCOMPARE(widget->font().pointSizeF(), points);
    QCOMPARE(resolved.bold(), bold);
    QCOMPARE(resolved.italic(), italic);
}

void TestAboutBox::colours_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("title") << u"lblTitle"_s << QColor(0, 0, 192);
    QTest::newRow("component") << u"lblComponent"_s << QColor(0, 0, 192);
    QTest::newRow("version") << u"lblVersion"_s << QColor(255, 0, 0);
}

void TestAboutBox::colours()
{
    QFETCH(QString, label);
    QFETCH(QColor, colour);
    auto* widget = dialog_->findChild<QLabel*>(label);
    // The colour itself, or as much lighter or darker as the background needs for it to be read.
    const QColor shown = ReadableOn(colour, dialog_->palette().color(QPalette::Window));
    QCOMPARE(shown.hue(), colour.hue());
    QCOMPARE(widget->palette().color(QPalette::WindowText), shown);
    QVERIFY(ShowsColour(widget, shown));
    QVERIFY(!ShowsColour(dialog_->lblDisclaimer, shown));
}

void TestAboutBox::sizeAndPlace()
{
    QCOMPARE(dialog_->size(), QSize(395, 291));
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QVERIFY(!(dialog_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    for (QWidget* child : dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(dialog_->rect().contains(child->geometry()), qPrintable(child->objectName()));
    // Centred on the screen, also when its owner lies elsewhere.
    const QRect area = dialog_->screen()->availableGeometry();
    QVERIFY((dialog_->frameGeometry().center() - area.center()).manhattanLength() <= 2);
    QWidget owner;
    owner.setGeometry(area.left() + 10, area.top() + 10, 200, 150);
    owner.show();
    frmSystem_AboutBox owned(&owner);
    owned.show();
    QVERIFY((owned.frameGeometry().center() - area.center()).manhattanLength() <= 2);
}

void TestAboutBox::etchedRuleAndPicture()
{
    const QImage rule = dialog_->Line1->grab().toImage();
    QCOMPARE(rule.height(), 2);
    const int x = rule.width() / 2;
    QCOMPARE(rule.pixelColor(x, 0), QColor(128, 128, 128));
    QCOMPARE(rule.pixelColor(x, 1), QColor(255, 255, 255));
    QVERIFY(dialog_->Line1->geometry().bottom() < dialog_->lblDescription->geometry().top());
    QVERIFY(dialog_->Line1->geometry().top() > dialog_->lblVersion->geometry().bottom());

    const QPixmap picture = dialog_->Image1->pixmap();
    QVERIFY(!picture.isNull());
    QVERIFY(ShowsColour(dialog_->Image1, QColor(0, 0, 192)));
}

void TestAboutBox::keysClose_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void TestAboutBox::keysClose()
{
    QFETCH(int, key);
    QFETCH(int, result);
    dialog_.reset();
    frmSystem_AboutBox box;
    bool watchdog = false;
    QTimer::singleShot(0, &box, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal == &box);
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QWidget* focus = QApplication::focusWidget();
        QCOMPARE(focus, box.cmdOK);
        QTest::keyClick(focus, Qt::Key(key));
    });
    QTimer::singleShot(5000, &box, [&] {
        watchdog = true;
        box.done(-1);
    });
    const int answer = box.exec();
    QVERIFY(!watchdog);
    QCOMPARE(answer, result);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestAboutBox::systemInfoIsUnavailable()
{
    QTest::mouseClick(dialog_->cmdSysInfo, Qt::LeftButton);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"System Information Is Unavailable At This Time"_s);
    QCOMPARE(int(box.icon), int(Icon::None));
    QCOMPARE(box.title, u"Stewardry"_s);
    QCOMPARE(int(box.buttons), int(Buttons::OKOnly));
    QVERIFY(dialog_->isVisible());
    // Its access key presses it too.
    MessageLog::Clear();
    QTest::keyClick(dialog_.get(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(!MessageLog::Shown().isEmpty());  // an access key clicks after a short animation
    QCOMPARE(test::OnlyMessage().text, u"System Information Is Unavailable At This Time"_s);
}

QTEST_MAIN(TestAboutBox)
#include "test_about_box.moc"
