#include "HelpViewer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

HelpViewer& HelpViewer::Instance()
{
    static HelpViewer* viewer = new HelpViewer;
    return *viewer;
}

HelpViewer::HelpViewer() : QWidget(nullptr, Qt::Window), browser_(new QTextBrowser(this))
{
    setObjectName(u"HelpViewer"_s);
    setWindowTitle(u"Levy Office Help"_s);
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        bool ok = false;
        const int topic = url.fragment().toInt(&ok);
        if (ok)
            ShowTopic(file_, topic);
    });
}

QString HelpViewer::TopicHtml(const QString& helpFile, int context, QString* title)
{
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly)) {
        if (title)
            *title = u"Help file not found"_s;
        return u"<h1>Help is not available</h1><p>The help file <b>%1</b> could not be opened: %2.</p>"
               u"<p>Ask whoever installed the levy office programs to install the help file beside them.</p>"_s.arg(
                   QDir::toNativeSeparators(helpFile).toHtmlEscaped(), file.errorString().toHtmlEscaped());
    }
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression heading(u"<h1>\\s*<a name=\"(\\d+)\"></a>(.*?)</h1>"_s);
    auto it = heading.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(1).toInt() != context)
            continue;
        const qsizetype next = text.indexOf(u"<h1>"_s, m.capturedEnd());
        const qsizetype end = next < 0 ? text.indexOf(u"</body>"_s, m.capturedEnd()) : next;
        if (title)
            *title = m.captured(2);
        return text.mid(m.capturedStart(), end < 0 ? -1 : end - m.capturedStart());
    }
    if (title)
        *title = u"Topic not found"_s;
    return u"<h1>Topic not found</h1><p>The help file <b>%1</b> has no topic %2.</p>"_s.arg(
        QDir::toNativeSeparators(helpFile).toHtmlEscaped())
        .arg(context);
}

void HelpViewer::ShowTopic(const QString& helpFile, int context)
{
    file_ = helpFile;
    context_ = context;
    QString title;
    browser_->setHtml(TopicHtml(helpFile, context, &title));
    setWindowTitle(u"Levy Office Help - "_s + title);
    show();
    raise();
    activateWindow();
}

QString HelpViewer::CurrentText() const { return browser_->toPlainText(); }

} // namespace levy
