#include "SqlFiles.h"

#include "platform/RuntimeError.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {

qint64 SqlFileSize(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        Raise(53, u"Open SQL File"_s, u"File not found: \"%1\"."_s.arg(path));
    return info.size();
}

QString ReadSqlText(const QString& path, qint64 size)
{
    if (size == 0)
        return u"SELECT"_s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise(75, u"Open SQL File"_s, u"The file \"%1\" could not be read: %2."_s.arg(path, file.errorString()));
    return Windows1252::Decode(file.readAll());
}

QString NotATextFile(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isDir())
        return u"\"%1\" is a folder. Only SQL text files can be opened in this utility."_s.arg(shown);
    QFile file(path);
    if (!info.exists() || !file.open(QIODevice::ReadOnly))
        return u"The file \"%1\" could not be read: %2."_s.arg(shown, file.errorString());
    // Enough to tell a picture, a workbook or a program from a text; the size limit
    // is Open's own.
    const QByteArray start = file.read(largestSqlFile + 1);
    for (const char c : start)
        if ((uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7f)
            return u"\"%1\" is not a text file. Only SQL text files can be opened in this utility."_s.arg(shown);
    return {};
}

} // namespace levy
