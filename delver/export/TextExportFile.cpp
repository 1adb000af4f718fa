#include "TextExportFile.h"

#include "platform/RuntimeError.h"
#include "platform/Windows1252.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int errInvalidCharacter = 5;
constexpr qsizetype writeChunk = 256 * 1024;

bool NeedsQuotes(QStringView text)
{
    for (QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

// A text a spreadsheet would take for a formula (=, +, -, @ first, or a tab or carriage
// return, which some skip before one). A plain number such as "-7" is a number, not one.
bool StartsLikeAFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text[0];
    if (first != u'=' && first != u'+' && first != u'-' && first != u'@' && first != u'\t' && first != u'\r')
        return false;
    static const QRegularExpression number(u"^[+-]?[0-9]+(\\.[0-9]+)?\\s*$"_s);
    return !number.match(text).hasMatch();
}

// The character at a position, both halves of a surrogate pair included.
QString CharacterAt(const QString& text, qsizetype at)
{
    return text.mid(at, text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1);
}

// The grid's whole numbers: digits, an optional minus, and two blanks after them.
bool IsPaddedInteger(QStringView text)
{
    if (text.size() < 3 || !text.endsWith(u"  "))
        return false;
    const QStringView digits = text.chopped(2);
    for (qsizetype i = digits.startsWith(u'-') ? 1 : 0; i < digits.size(); ++i)
        if (!digits[i].isDigit())
            return false;
    return digits.size() > (digits.startsWith(u'-') ? 1 : 0);
}
} // namespace

TextExportFile::TextExportFile(const QString& path, Encoding encoding)
    : target_(path), utf8_(encoding == Encoding::Utf8ForSpreadsheets)
{
    pending_.reserve(writeChunk + 64 * 1024);
    // The mark tells a spreadsheet the file is UTF-8 rather than its own code page.
    if (utf8_)
        pending_.append("\xEF\xBB\xBF", 3);
}

void TextExportFile::WriteHeader(const QList<QString>& names)
{
    names_ = names;
    inHeader_ = true;
    for (qsizetype f = 0; f < names.size(); ++f)
        AppendField(names[f], f);
    inHeader_ = false;
    EndLine();
}

void TextExportFile::WriteRecord(const QList<ExportCell>& cells)
{
    ++records_;
    for (qsizetype f = 0; f < cells.size(); ++f) {
        const ExportCell& cell = cells[f];
        if (cell.amount)
            AppendAmount(*cell.amount, f);
        else if (!utf8_)
            AppendField(ExportedCellText(cell, textFileSeparator), f);
        else if (IsAmountColour(cell.colour))
            AppendField(ExportedCellText(cell, textFileSeparator), f);
        else if (IsPaddedInteger(cell.text))
            AppendField(cell.text.chopped(2), f);
        else
            AppendField(cell.text, f);  // quoted, with its line breaks
    }
    EndLine();
}

void TextExportFile::AppendAmount(Currency amount, qsizetype field)
{
    // Straight into the line: a million records hold a million amounts.
    char text[Currency::maxTextLength];
    const int n = amount.WriteText(text);
    if (field > 0)
        pending_.append(',');
    pending_.append(text, n);
}

void TextExportFile::AppendField(const QString& value, qsizetype field)
{
    // A clerk's text, or a name or address the main program stored, must not reach a
    // spreadsheet as a formula that it would run: an apostrophe first makes it text.
    const QString text = StartsLikeAFormula(value) ? u'\'' + value : value;
    const bool quoted = NeedsQuotes(text);
    if (utf8_) {
        if (field > 0)
            pending_.append(',');
        if (!quoted) {
            pending_.append(text.toUtf8());
            return;
        }
        pending_.append('"');
        pending_.append(QString(text).replace(u'"', u"\"\""_s).toUtf8());
        pending_.append('"');
        return;
    }
    // Room for every character doubled, the quotes and the comma.
    const qsizetype start = pending_.size();
    pending_.resize(start + 2 * text.size() + 3);
    char* out = pending_.data() + start;
    // Commas go between fields only: a spreadsheet reads a trailing one as one more, empty column.
    if (field > 0)
        *out++ = ',';
    if (quoted)
        *out++ = '"';
    const QChar* chars = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = chars[i].unicode();
        if (u < 0x80) {
            *out++ = char(u);
            if (u == u'"')
                *out++ = '"';
            continue;
        }
        const auto code = Windows1252::CodeOf(chars[i]);
        if (!code) {
            pending_.truncate(start);
            const QString name = field < names_.size() ? names_[field] : QString::number(field + 1);
            if (inHeader_)
                Raise(errInvalidCharacter, u"Export Results"_s,
                      u"The field name \"%1\" holds the character \"%2\", which a text file cannot hold. "
                      u"Nothing was exported."_s.arg(name, CharacterAt(text, i)));
            Raise(errInvalidCharacter, u"Export Results"_s,
                  u"Record %1, field \"%2\": the character \"%3\" cannot be held in a text file. "
                  u"Nothing was exported; the workbook export keeps every character."_s.arg(records_)
                      .arg(name, CharacterAt(text, i)));
        }
        *out++ = char(*code);
    }
    if (quoted)
        *out++ = '"';
    pending_.truncate(out - pending_.constData());
}

void TextExportFile::EndLine()
{
    pending_.append("\r\n", 2);
    if (pending_.size() >= writeChunk)
        WritePending();
}

void TextExportFile::WritePending()
{
    QFile& file = target_.File();
    // A nearly full disk takes part of a write without an error; the next part then
    // fails with the reason.
    for (qsizetype done = 0; done < pending_.size();) {
        errno = 0;
        const qint64 written = file.write(pending_.constData() + done, pending_.size() - done);
        if (written <= 0)
            target_.RaiseWriteError(errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
        done += written;
    }
    pending_.truncate(0);  // keeps the buffer for the next lines
}

void TextExportFile::Commit()
{
    WritePending();
    target_.Commit();
}

} // namespace levy
