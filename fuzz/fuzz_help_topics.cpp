// The help viewer reading whatever its help file holds: every topic the contents list
// opens by its number and starts with its own heading, a number that is no topic says so,
// and the pages go into Qt's HTML reader as the viewer shows them, without a crash.

#include "FuzzSupport.h"

#include "utilities/HelpFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

using namespace levy;
using namespace Qt::Literals::StringLiterals;

namespace {
QTemporaryDir* folder = nullptr;

void Show(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    (void)document.toPlainText();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = folder->filePath(u"levy system.hlp"_s);
    {
        QFile file(path);
        LEVY_REQUIRE(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size),
                     "help file written");
    }
    const QString contents = HelpContentsHtml(path);
    LEVY_REQUIRE(contents.startsWith(u"<h1>Contents</h1><ul>"_s) && contents.endsWith(u"</ul>"_s), "a contents page",
                 contents.left(200));
    Show(contents);
    static const QRegularExpression link(u"<li><a href=\"#(\\d{1,9})\">"_s);
    int shown = 0;
    for (auto it = link.globalMatch(contents); it.hasNext() && shown < 8; ++shown) {
        const int context = it.next().captured(1).toInt();
        QString title;
        const QString topic = HelpTopicHtml(path, context, &title);
        LEVY_REQUIRE(topic.startsWith(u"<h1>"_s) && title != u"Topic not found"_s, "a listed topic opens",
                     QString::number(context));
        Show(topic);
    }
    QString title;
    const QString missing = HelpTopicHtml(path, -1, &title);
    LEVY_REQUIRE(title == u"Topic not found"_s && missing.startsWith(u"<h1>Topic not found</h1>"_s),
                 "a number that is no topic says so", missing.left(200));
    return 0;
}
