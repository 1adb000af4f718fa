#include "SqlFiles.h"

#include "platform/RuntimeError.h"
#include "platform/Windows1252.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>
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

QString ReadSqlText(const QString& path, qint64 size, bool* readAsUtf8)
{
    if (readAsUtf8)
        *readAsUtf8 = false;
    if (size == 0)
        return u"SELECT"_s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Raise(75, u"Open SQL File"_s, u"The file \"%1\" could not be read: %2."_s.arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    // Another editor may have written it as UTF-8 (its mark first, or letters beyond
    // English that read as nothing else): read as it was written, or "Müller" would show
    // as "MÃ¼ller" and match nothing.
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    if (marked || std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; })) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError()) {
            if (readAsUtf8)
                *readAsUtf8 = true;
            return text;
        }
    }
    return Windows1252::Decode(bytes);
}

QString ReadAsUtf8Notice(const QString& path)
{
    return u"The file \"%1\" was written as UTF-8 text; Save SQL keeps it as the single-byte text this utility "
           u"writes."_s.arg(QDir::toNativeSeparators(path));
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
