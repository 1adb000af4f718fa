// Every window of both programs, opened in turn as a user opens them, on the screen the
// test is given (an old 1024x768 screen, at 100%, 150% or 200%): each lies inside the
// screen with its menus and captions whole, names each control for a screen reader, and
// keeps its texts readable on a dark desktop.
#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "export/GridColours.h"
#include "results/AmountSigns.h"
#include "results/FlexGrid.h"
#include "workbench/EditorTab.h"
#include "workbench/SqlEditor.h"
#include "workbench/SqlHighlighter.h"
#include "results/RecordForm.h"
#include "results/ResultChart.h"
#include "dialogs/frmSystem_AboutBox.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmDelverResults.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "frmSteward_UserAccounts.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "frmSystem_CheckDate.h"
#include "levy/DatabaseAccess.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "utilities/HelpRoutines.h"
#include "widgets/CommonDialog.h"
#include "widgets/Contrast.h"
#include "widgets/HelpViewer.h"
#include "widgets/MenuKeys.h"
#include "widgets/ScreenFit.h"
#include "widgets/StatusBar.h"
#include "workbench/FindReplaceDialog.h"
#include "workbench/frmDelverParameters.h"
#include "workbench/HistoryPanel.h"
#include "workbench/SchemaPanel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
using Look = std::function<void(QWidget* window)>;

QString NameOf(const QObject* o)
{
    if (!o->objectName().isEmpty())
        return o->objectName();
    const QString kind = QString::fromLatin1(o->metaObject()->className());
    return o->parent() && !o->isWidgetType() ? kind
           : o->parent() && !static_cast<const QWidget*>(o)->isWindow() ? kind + u" in "_s + NameOf(o->parent())
                                                                         : kind;
}

// A control that scrolls with its area can be brought into view; only the rest must fit.
bool Scrolls(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

QList<QWidget*> Shown(QWidget* window)
{
    QList<QWidget*> shown;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) && w->window() == window)
            shown.append(w);
    return shown;
}

// The text a control writes on the screen.
QString CaptionOf(const QWidget* w)
{
    if (const auto* t = qobject_cast<const QToolButton*>(w); t && t->toolButtonStyle() == Qt::ToolButtonIconOnly)
        return {};
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(w); l && !l->wordWrap() && l->pixmap().isNull())
        return l->text();
    return {};
}

// The window inside the screen's available area, each of its menus on its menu bar, and
// no caption cut short.
QStringList FitProblems(QWidget* window)
{
    QStringList problems;
    const QString name = NameOf(window);
    const QRect area = AvailableArea(window), frame = window->frameGeometry();
    if (!area.contains(frame))
        problems << u"%1 at (%2,%3) %4x%5 is not inside the screen's (%6,%7) %8x%9"_s.arg(name)
                        .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
                        .arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height());
    // A screen that holds the design shows it unchanged.
    const QSize design = window->maximumSize();
    if (window->devicePixelRatio() == 1 && design.width() < QWIDGETSIZE_MAX && window->size() != design)
        problems << u"%1 is %2x%3 on a screen that holds its design, %4x%5"_s.arg(name)
                        .arg(window->width()).arg(window->height()).arg(design.width()).arg(design.height());
    for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
        if (!bar->isVisibleTo(window))
            continue;
        const QRect barAt(bar->mapTo(window, QPoint()), bar->size());
        for (QAction* menu : bar->actions()) {
            const QRect at = bar->actionGeometry(menu).translated(barAt.topLeft());
            if (menu->isVisible() && (at.isEmpty() || !barAt.contains(at) || !window->rect().contains(at)))
                problems << u"%1: the menu %2 cannot be reached"_s.arg(name, menu->text());
        }
    }
    for (QWidget* w : Shown(window)) {
        if (Scrolls(w, window) || CaptionOf(w).isEmpty())
            continue;
        const QRect at(w->mapTo(window, QPoint()), w->size());
        if (!window->rect().contains(at))
            problems << u"%1: %2 lies outside the window"_s.arg(name, NameOf(w));
        else if (w->width() < w->minimumSizeHint().width())
            problems << u"%1: %2 is %3 wide, its caption needs %4"_s.arg(name, NameOf(w))
                            .arg(w->width()).arg(w->minimumSizeHint().width());
    }
    return problems;
}

// Every control the focus can reach, and every toolbar button, has a name to be read.
QStringList NameProblems(QWidget* window)
{
    QStringList problems;
    for (QWidget* w : Shown(window)) {
        const bool toolbarButton = qobject_cast<QAbstractButton*>(w) && qobject_cast<QToolBar*>(w->parentWidget());
        // A view's viewport is read as the view.
        const auto* area = qobject_cast<QAbstractScrollArea*>(w->parentWidget());
        if ((!(w->focusPolicy() & Qt::TabFocus) && !toolbarButton) || (area && area->viewport() == w))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            problems << u"%1: %2 (%3) has no name to be read"_s.arg(NameOf(window), NameOf(w),
                                                                    QString::fromLatin1(w->metaObject()->className()));
    }
    return problems;
}

// Alt pressed and released alone, and F10, open the window's first menu.
QStringList MenuKeyProblems(QWidget* window)
{
    QStringList problems;
    QMenuBar* bar = nullptr;
    for (QMenuBar* b : window->findChildren<QMenuBar*>())
        if (b->window() == window && b->isVisible())
            bar = b;
    if (!bar)
        return problems;
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_F10}) {
        QWidget* focus = QApplication::focusWidget() && QApplication::focusWidget()->window() == window
                             ? QApplication::focusWidget()
                             : window;
        if (key == Qt::Key_Alt) {
            QTest::keyPress(focus, Qt::Key_Alt);
            QTest::keyRelease(focus, Qt::Key_Alt, Qt::AltModifier);
        } else {
            QTest::keyClick(focus, key);
        }
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!open || open != bar->actions().value(0)->menu())
            problems << u"%1: %2 opens no menu"_s.arg(NameOf(window), QKeySequence(key).toString());
        if (open)
            QTest::keyClick(open, Qt::Key_Escape);
        if (bar->activeAction())
            QTest::keyClick(bar, Qt::Key_Escape);
    }
    return problems;
}

// Tab goes through a window's controls as they are read: down the page, and along each
// row or on to the next column at the right. The change-password dialog keeps its
// specified order (the locked name box last).
QStringList TabOrderProblems(QWidget* window)
{
    QStringList problems;
    if (window->objectName() == u"frmSystem_ChangePassword"_s)
        return problems;
    QList<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w && w != window && chain.size() < 500; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && w->window() == window &&
            !w->focusProxy() && !chain.contains(w))
            chain.append(w);
    for (qsizetype i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
        const bool backUp = b.bottom() < a.top() && b.left() <= a.right();
        const bool backLeft = b.top() < a.bottom() && b.bottom() > a.top() && b.right() < a.left();
        if (backUp || backLeft)
            problems << u"%1: Tab goes from %2 back to %3"_s.arg(NameOf(window), NameOf(chain[i - 1]), NameOf(chain[i]));
    }
    return problems;
}

QChar AccessKey(const QString& text)
{
    for (qsizetype i = text.indexOf(u'&'); i >= 0 && i + 1 < text.size(); i = text.indexOf(u'&', i + 2))
        if (text[i + 1] != u'&')
            return text[i + 1].toUpper();
    return {};
}

// In each menu no two entries share an access key, and a command with more than one
// shortcut names them all.
QStringList MenuTextProblems(const QString& where, const QList<QAction*>& entries)
{
    QStringList problems;
    QMap<QChar, QString> keys;
    for (QAction* a : entries) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        if (const QChar key = AccessKey(a->text()); !key.isNull()) {
            if (keys.contains(key))
                problems << u"%1: %2 and %3 share the key %4"_s.arg(where, keys[key], a->text(), key);
            keys[key] = a->text();
        }
        if (a->shortcuts().size() > 1 && !a->text().contains(u'\t'))
            problems << u"%1: %2 shows only its first shortcut"_s.arg(where, a->text());
        if (a->menu())
            problems << MenuTextProblems(where + u'/' + a->text(), a->menu()->actions());
    }
    return problems;
}

QStringList MenuTextProblems(QWidget* window)
{
    QStringList problems;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        if (bar->window() == window)
            problems << MenuTextProblems(NameOf(window), bar->actions());
    return problems;
}

QColor BackgroundBehind(const QWidget* w)
{
    for (const QWidget* x = w; x; x = x->parentWidget())
        if (x->autoFillBackground() || x->isWindow())
            return x->palette().color(x->backgroundRole());
    return w->palette().color(QPalette::Window);
}

// Each text against what it stands on, by the colours the window gives them.
QStringList ContrastProblems(QWidget* window)
{
    QStringList problems;
    QList<QWidget*> all = Shown(window);
    all.prepend(window);
    for (QWidget* w : all) {
        const QPalette& p = w->palette();
        QColor text, ground;
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
            text = p.color(QPalette::Text);
            ground = p.color(QPalette::Base);
        } else if (qobject_cast<QPushButton*>(w) && !CaptionOf(w).isEmpty()) {
            text = p.color(QPalette::ButtonText);
            ground = p.color(QPalette::Button);
        } else if (!CaptionOf(w).isEmpty()) {
            text = p.color(w->foregroundRole());
            ground = BackgroundBehind(w);
        } else {
            continue;
        }
        if (w->isEnabled() && ContrastRatio(text, ground) < readableContrast)
            problems << u"%1: %2 writes %3 on %4 (%5:1)"_s.arg(NameOf(window), NameOf(w), text.name(), ground.name())
                            .arg(ContrastRatio(text, ground), 0, 'f', 2);
    }
    return problems;
}

QPalette DarkPalette()
{
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230), muted(140, 140, 140);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(55, 55, 58));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(38, 79, 120));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, muted);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, muted);
    return p;
}

// Opens every window of both programs in turn, as a user does, and looks at each.
void WalkEveryWindow(const Look& look)
{
    test::Sandbox sandbox;
    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"Head1"_s));
    test::DelverDatabase(sandbox.Folder());
    HelpViewer& help = HelpViewer::Instance();
    // Help opens beside the window that asked, where the screen has room for it there.
    auto lookAtHelpFrom = [&](QWidget* asking, QAction* command) {
        asking->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(asking));
        command->trigger();
        QTRY_VERIFY(help.isVisible());
        look(&help);
        const QRect area = AvailableArea(asking), a = asking->frameGeometry();
        if (std::max(area.right() - a.right(), a.left() - area.left()) >= 320)
            QVERIFY2(!help.frameGeometry().intersects(a),
                     qPrintable(u"%1 at %2,%3 %4x%5, help at %6,%7 %8x%9"_s.arg(NameOf(asking))
                                    .arg(a.x()).arg(a.y()).arg(a.width()).arg(a.height())
                                    .arg(help.x()).arg(help.y()).arg(help.width()).arg(help.height())));
        help.hide();
    };
    auto cancel = [&](QWidget* dialog) {
        look(dialog);
        dialog->close();
    };

    {
        frmSteward console;
        test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* login) {
            look(login);
            login->txtPassword->setText(u"Head1"_s);
            login->cmdLogIn->click();
        });
        console.show();
        QTRY_COMPARE(console.barBottomStatusBar->SessionText(), u"Logged in as Admin"_s);
        look(&console);
        lookAtHelpFrom(&console, console.mnuAdmin_Help);
        test::WhenModal<frmSystem_ChangePassword>(cancel);
        console.mnuAdmin_ChangeAdminPassword->trigger();
        test::WhenModal<frmSteward_DBInitialisation>(cancel);
        console.mnuAdmin_InstallBlankDatabase->trigger();
        test::WhenModal<frmSteward_InstallSampleDB>(cancel);
        console.mnuAdmin_InstallSampleDatabase->trigger();
        test::WhenModal<frmSystem_AboutBox>(cancel);
        console.mnuAdmin_About->trigger();
        test::WhenModal<frmSteward_UserAccounts>([&](frmSteward_UserAccounts* list) {
            list->lstUsers->setCurrentRow(0);
            look(list);
            test::WhenModal<frmSteward_UserAccounts_CreateNew>(cancel);
            list->mnuTools_CreateNewAccount->trigger();
            test::WhenModal<frmSteward_UserAccounts_AccessRights>(cancel);
            list->mnuTools_ChangeUserRights->trigger();
            list->mnuTools_Close->trigger();
        });
        console.mnuAdmin_ManageUserAccounts->trigger();
    }
    CloseLevyDatabase();

    {
        test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* login) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == u"frmSystem_StartUp"_s && w->isVisible())
                    look(w);
            look(login);
            login->txtUserName->setText(u"Clerk"_s);
            login->txtPassword->setText(u"clerk"_s);
            login->cmdLogIn->click();
            test::WhenModal<frmSystem_CheckDate>([&](frmSystem_CheckDate* date) {
                look(date);
                date->cmdYes->click();
            });
        });
        frmDelver editor;
        editor.show();
        QTRY_COMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
        // Two texts, so that their tabs are looked at too.
        editor.txtSQL->SetText(u"SELECT Class FROM Classes"_s);
        editor.NewQuery();
        look(&editor);
        lookAtHelpFrom(&editor, editor.mnuTools_Help);
        for (QAction* command : {editor.mnuEdit_Find, editor.mnuEdit_Replace}) {
            command->trigger();
            look(editor.frmFindReplace);
            editor.frmFindReplace->hide();
        }
        test::WhenModal<frmSystem_AboutBox>(cancel);
        editor.mnuTools_About->trigger();

        // The values a statement asks for, one input each, before it runs.
        test::WhenModal<frmDelverParameters>(cancel);
        editor.txtSQL->SetText(u"PARAMETERS [Paid since] DateTime, [Least] Currency, [Cleared] YesNo;\n"
                               u"SELECT * FROM Users WHERE [User Name] = [Whose account?]"_s);
        editor.mnuTools_ExecuteQuery->trigger();

        editor.txtSQL->SetText(u"SELECT [User Name], Len([User Name]) * -12.5 AS Amount FROM Users"_s);
        // Looked at once the first page is in: the window reads it in an event loop of
        // its own, which must not be held up here.
        std::function<void(frmDelverResults*)> whenRead = [&](frmDelverResults* results) {
            if (!results->cmdClose->isEnabled())
                return QTimer::singleShot(20, results, [&, results] { whenRead(results); });
            look(results);
            lookAtHelpFrom(results, results->mnuTools_Help);
            test::WhenModal<frmResultChart>(cancel);
            results->mnuTools_Chart->trigger();
            test::WhenModal(u"QPrintPreviewDialog"_s, cancel);
            results->mnuTools_PrintPreview->trigger();
            test::WhenModal<frmResultRecord>(cancel);
            results->mnuTools_Record->trigger();
            results->close();
        };
        test::WhenModal<frmDelverResults>([&](frmDelverResults* results) { whenRead(results); });
        editor.mnuTools_ExecuteQuery->trigger();
    }
    SetHelpDialog(nullptr);
    AppInfo::SetPathForTests({});
    LogOffUser();
}
} // namespace

class TestEveryWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyWindowFitsTheScreenAndNamesItsControls();
    void everyTextReadsOnADarkDesktop();
    void helpOpensBesideTheWindowThatAsked();
    void f6AndCtrlTabGoRoundTheEditorAndItsPanels();
    void amountsAndHighlightingReadOnLightAndDark_data();
    void amountsAndHighlightingReadOnLightAndDark();
};

void TestEveryWindow::initTestCase()
{
    KeepWindowsOnScreen();
    OpenMenusFromTheKeyboard();
    // The screen the test was given, in the screen's own pixels.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize pixels(int(screen->geometry().width() * screen->devicePixelRatio()),
                       int(screen->geometry().height() * screen->devicePixelRatio()));
    qInfo("screen %dx%d at %d%%", pixels.width(), pixels.height(), qRound(screen->devicePixelRatio() * 100));
    if (const QByteArray expected = qgetenv("LEVY_TEST_SCREEN"); !expected.isEmpty())
        QCOMPARE(u"%1x%2"_s.arg(pixels.width()).arg(pixels.height()), QString::fromLatin1(expected));
}

void TestEveryWindow::everyWindowFitsTheScreenAndNamesItsControls()
{
    QStringList problems, seen;
    WalkEveryWindow([&](QWidget* window) {
        seen.append(NameOf(window));
        problems << FitProblems(window) << NameProblems(window) << MenuKeyProblems(window)
                 << MenuTextProblems(window) << TabOrderProblems(window);
    });
    QCOMPARE(seen, QStringList({u"frmSystem_LogIn"_s, u"frmSteward"_s, u"HelpViewer"_s, u"frmSystem_ChangePassword"_s,
                                u"frmSteward_DBInitialisation"_s, u"frmSteward_InstallSampleDB"_s,
                                u"frmSystem_AboutBox"_s, u"frmSteward_UserAccounts"_s,
                                u"frmSteward_UserAccounts_CreateNew"_s, u"frmSteward_UserAccounts_AccessRights"_s,
                                u"frmSystem_StartUp"_s, u"frmSystem_LogIn"_s, u"frmSystem_CheckDate"_s,
                                u"frmDelver"_s, u"HelpViewer"_s, u"frmFindReplace"_s, u"frmFindReplace"_s,
                                u"frmSystem_AboutBox"_s, u"frmDelverParameters"_s, u"frmDelverResults"_s, u"HelpViewer"_s,
                                u"frmResultChart"_s, u"dlgPrintPreview"_s, u"frmResultRecord"_s}));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"\n")));
}

void TestEveryWindow::everyTextReadsOnADarkDesktop()
{
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QApplication::setPalette(DarkPalette());
    QStringList problems;
    WalkEveryWindow([&](QWidget* window) { problems << ContrastProblems(window); });
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"\n")));
}

void TestEveryWindow::helpOpensBesideTheWindowThatAsked()
{
    HelpViewer& help = HelpViewer::Instance();
    for (const bool atLeft : {true, false}) {
        help.hide();
        QWidget asking;
        const QRect area = AvailableArea(&asking);
        asking.resize(area.width() / 4, area.height() / 2);
        asking.move(atLeft ? area.left() : area.right() + 1 - asking.width(), area.top() + 20);
        asking.show();
        asking.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&asking));
        help.ShowTopic(QStringLiteral(LEVY_PROGRAM_DIR "/levy system.hlp"), 130);
        const QRect h = help.frameGeometry(), a = asking.frameGeometry();
        QVERIFY(area.contains(h));
        QVERIFY(atLeft ? h.left() > a.right() : h.right() < a.left());
    }
    help.hide();
}

void TestEveryWindow::f6AndCtrlTabGoRoundTheEditorAndItsPanels()
{
    test::Sandbox sandbox;
    test::DelverDatabase(sandbox.Folder());
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    frmDelver editor;
    editor.show();
    QTRY_COMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    editor.dockSchema->show();
    editor.dockHistory->show();
    editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    editor.txtSQL->setFocus();
    editor.txtSQL->SetText(u"SELECT"_s);
    editor.txtSQL->moveCursor(QTextCursor::End);
    auto focusAfter = [](QKeyCombination keys) {
        QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
        return NameOf(QApplication::focusWidget());
    };
    QStringList seen;
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_F6), QKeyCombination(Qt::Key_F6),
                                       QKeyCombination(Qt::Key_F6), QKeyCombination(Qt::SHIFT, Qt::Key_F6),
                                       QKeyCombination(Qt::SHIFT, Qt::Key_F6), QKeyCombination(Qt::CTRL, Qt::Key_Tab),
                                       QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Tab)})
        seen.append(focusAfter(keys));
    QCOMPARE(seen, QStringList({u"treSchema"_s, u"lstHistory"_s, u"txtSQL"_s, u"lstHistory"_s, u"treSchema"_s,
                                u"lstHistory"_s, u"treSchema"_s}));
    // A hidden panel is passed over; in the editor Tab indents and Ctrl+Tab leaves.
    editor.dockSchema->hide();
    editor.txtSQL->setFocus();
    QCOMPARE(focusAfter(Qt::Key_F6), u"lstHistory"_s);
    QCOMPARE(focusAfter(Qt::Key_F6), u"txtSQL"_s);
    QCOMPARE(focusAfter(Qt::Key_Tab), u"txtSQL"_s);
    QCOMPARE(editor.txtSQL->Text(), u"SELECT\t"_s);
    QCOMPARE(focusAfter(QKeyCombination(Qt::CTRL, Qt::Key_Tab)), u"lstHistory"_s);
    QCOMPARE(editor.txtSQL->Text(), u"SELECT\t"_s);
    editor.txtSQL->document()->setModified(false);
    editor.CurrentTab()->blnDirty = false;
}

void TestEveryWindow::amountsAndHighlightingReadOnLightAndDark_data()
{
    QTest::addColumn<QPalette>("palette");
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    QTest::newRow("light") << fusion->standardPalette();
    QTest::newRow("dark") << DarkPalette();
}

void TestEveryWindow::amountsAndHighlightingReadOnLightAndDark()
{
    QFETCH(QPalette, palette);
    const QColor base = palette.color(QPalette::Base);
    FlexGrid grid(nullptr, u"grdResults"_s);
    grid.setPalette(palette);
    grid.SetRows(2);
    grid.SetCols(3);
    ShowAmountSigns(grid, AmountSigns::ColourOnly);
    const struct {
        int colour;
        QColor specified;
        QString read;
    } amounts[] = {{gridRed, QColor(255, 0, 0), u"-1 234.50"_s}, {gridBlue, QColor(0, 0, 255), u"1 234.50"_s}};
    grid.SetRow(1);
    for (int c = 1; c <= 2; ++c) {
        grid.SetCol(c);
        grid.SetText(u"1 234.50"_s);
        grid.SetCellForeColor(amounts[c - 1].colour);
    }
    grid.Refresh();
    for (int c = 1; c <= 2; ++c) {
        const QModelIndex cell = grid.model()->index(0, c - 1);
        const QColor shown = cell.data(Qt::ForegroundRole).value<QColor>();
        // Still red and still blue, lighter or darker as the background needs.
        QCOMPARE(shown.hue(), amounts[c - 1].specified.hue());
        QVERIFY2(ContrastRatio(shown, base) >= readableContrast, qPrintable(shown.name() + u" on "_s + base.name()));
        // The exports read the cell's own colour value.
        QCOMPARE(grid.CellForeColorAt(1, c), amounts[c - 1].colour);
        // The colour alone says the sign to the eye; a screen reader is told it.
        QCOMPARE(cell.data(Qt::DisplayRole).toString(), u"1 234.50"_s);
        QCOMPARE(cell.data(Qt::AccessibleTextRole).toString(), amounts[c - 1].read);
    }
    for (int k = 0; k < SqlHighlighter::kindCount; ++k) {
        const QColor shown = SqlHighlighter::FormatOf(SqlHighlighter::Kind(k), base).foreground().color();
        QVERIFY2(ContrastRatio(shown, base) >= readableContrast, qPrintable(shown.name() + u" on "_s + base.name()));
    }
}

QTEST_MAIN(TestEveryWindow)
#include "test_every_window.moc"
