#include "HelpFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// The file's text, or the page that explains why there is none.
bool ReadHelpFile(const QString& helpFile, QString* text)
{
    QFile file(helpFile);
    if (file.open(QIODevice::ReadOnly)) {
        *text = QString::fromUtf8(file.readAll());
        return true;
    }
    *text = u"<h1>Help is not available</h1><p>The help file <b>%1</b> could not be opened: %2.</p>"
            u"<p>Ask whoever installed the levy office programs to install the help file beside them.</p>"_s.arg(
                QDir::toNativeSeparators(helpFile).toHtmlEscaped(), file.errorString().toHtmlEscaped());
    return false;
}

const QRegularExpression& TopicHeading()
{
    static const QRegularExpression heading(u"<h1>\\s*<a name=\"(\\d+)\"></a>(.*?)</h1>"_s);
    return heading;
}
} // namespace

QString HelpTopicHtml(const QString& helpFile, int context, QString* title)
{
    QString text;
    if (!ReadHelpFile(helpFile, &text)) {
        if (title)
            *title = u"Help file not found"_s;
        return text;
    }
    auto it = TopicHeading().globalMatch(text);
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
    // One arg() for both: a folder named with "%2" must not take the topic's number.
    return u"<h1>Topic not found</h1><p>The help file <b>%1</b> has no topic %2.</p>"_s.arg(
        QDir::toNativeSeparators(helpFile).toHtmlEscaped(), QString::number(context));
}

QString HelpContentsHtml(const QString& helpFile)
{
    QString text;
    if (!ReadHelpFile(helpFile, &text))
        return text;
    QString page = u"<h1>Contents</h1><ul>"_s;
    auto it = TopicHeading().globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        page += u"<li><a href=\"#%1\">%2</a></li>"_s.arg(m.captured(1), m.captured(2));
    }
    return page + u"</ul>"_s;
}

} // namespace levy
