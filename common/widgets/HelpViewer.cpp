#include "HelpViewer.h"

#include "Placement.h"
#include "utilities/HelpFile.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int contentsPage = 0;
} // namespace

HelpViewer& HelpViewer::Instance()
{
    static HelpViewer* viewer = new HelpViewer;
    return *viewer;
}

HelpViewer::HelpViewer() : QWidget(nullptr, Qt::Window), browser(new QTextBrowser(this))
{
    setObjectName(u"HelpViewer"_s);
    setWindowTitle(u"Levy Office Help"_s);
    // Reading help is no reason to keep the program running once its own window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(640, 560);
    browser->setObjectName(u"browser"_s);
    browser->setOpenLinks(false);
    browser->setAccessibleName(u"Help topic"_s);

    auto* tools = new QToolBar(this);
    tools->setObjectName(u"tools"_s);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    actBack = tools->addAction(u"Back"_s, this, [this] { Back(); });
    actBack->setObjectName(u"actBack"_s);
    actBack->setShortcut(QKeySequence::Back);
    actBack->setEnabled(false);
    actContents = tools->addAction(u"Contents"_s, this, [this] { Follow(contentsPage); });
    actContents->setObjectName(u"actContents"_s);
    actClose = tools->addAction(u"Close"_s, this, [this] { close(); });
    actClose->setObjectName(u"actClose"_s);
    actClose->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    addActions({actBack, actContents, actClose});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(browser);
    connect(browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        bool ok = false;
        const int topic = url.fragment().toInt(&ok);
        if (ok)
            Follow(topic);
    });
}

void HelpViewer::ShowTopic(const QString& helpFile, int context)
{
    // It opens beside the window that asked, so that both can be read; once open, it
    // stays where the user puts it.
    if (!isVisible())
        if (const QWidget* asking = QApplication::activeWindow(); asking && asking != this)
            PlaceBeside(this, asking);
    // A topic asked for while the viewer is open is one more step back from.
    if (!isVisible() || helpFile != file_)
        history_.clear();
    else if (context != context_)
        history_.append(context_);
    file_ = helpFile;
    Display(context);
    show();
    JoinTheModalWindow();
    raise();
    activateWindow();
}

void HelpViewer::Follow(int context)
{
    if (context == context_)
        return;
    history_.append(context_);
    Display(context);
}

void HelpViewer::Back()
{
    if (!history_.isEmpty())
        Display(history_.takeLast());
}

void HelpViewer::Display(int context)
{
    context_ = context;
    QString title = u"Contents"_s;
    browser->setHtml(context == contentsPage ? HelpContentsHtml(file_) : HelpTopicHtml(file_, context, &title));
    setWindowTitle(u"Levy Office Help - "_s + title);
    actBack->setEnabled(!history_.isEmpty());
}

QString HelpViewer::CurrentText() const { return browser->toPlainText(); }

// A modal dialog blocks every window but itself and the windows that stand on it
// (its transient children). The viewer stands on the topmost modal window for as long
// as one is open, so that help can be read, followed and closed beside any dialog,
// while the program's own windows stay blocked. For a plain window the window system
// is told nothing of this: only Qt's modality rules see it.
void HelpViewer::JoinTheModalWindow()
{
    QWindow* me = windowHandle();
    if (!me)
        return;
    QWindow* modal = QGuiApplication::modalWindow();
    // A box opened over the viewer itself must not become its own ancestor.
    if (modal == me || (modal && me->isAncestorOf(modal, QWindow::IncludeTransients)))
        modal = nullptr;
    if (me->transientParent() != modal)
        me->setTransientParent(modal);
    // When that window closes, stand on the next one (or on none).
    if (modal)
        connect(modal, &QWindow::visibleChanged, this, &HelpViewer::JoinTheModalWindow,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
}

bool HelpViewer::event(QEvent* event)
{
    // A dialog opened while the viewer is open: stand on it too.
    if (event->type() == QEvent::WindowBlocked)
        QMetaObject::invokeMethod(this, &HelpViewer::JoinTheModalWindow, Qt::QueuedConnection);
    return QWidget::event(event);
}

} // namespace levy
