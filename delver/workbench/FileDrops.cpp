#include "FileDrops.h"

#include "SqlFiles.h"
#include "platform/MessageBox.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace levy {

FileDrops::FileDrops(QObject* parent, std::function<void(const QString&)> open)
    : QObject(parent), open_(std::move(open))
{
}

void FileDrops::Watch(QWidget* widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    // Text dragged within or into a text box is the text box's own.
    if (!drop->mimeData()->hasUrls())
        return QObject::eventFilter(watched, event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        Open(drop->mimeData()->urls());
    return true;
}

void FileDrops::Open(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            MsgBox(u"\"%1\" is not a file on this computer. Only SQL text files can be opened in this utility."_s.arg(
                       url.toDisplayString()),
                   Icon::Exclamation, u"Open SQL File"_s);
            continue;
        }
        if (const QString problem = NotATextFile(url.toLocalFile()); !problem.isEmpty()) {
            MsgBox(problem, Icon::Exclamation, u"Open SQL File"_s);
            continue;
        }
        open_(url.toLocalFile());
    }
}

} // namespace levy
