#include "Encryption.h"

#include "platform/Windows1252.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString keyText = u"APPLE,FIG,BANANA,APRICOT,PEACHES,BLUEBERRY,COCONUT."_s;
const QChar sectionSign(u'\u00A7');

// The single-byte code of a character; one the code page cannot hold counts as "?", as
// the platform's own conversion does.
int CodeOf(QChar c)
{
    const auto code = Windows1252::CodeOf(c);
    return code ? int(*code) : int(u'?');
}

// Key character for password position i (from 1): the key starts at its second
// character and wraps after its last.
int KeyCode(const KeyTable& key, qsizetype i) { return CodeOf(key[(i % keyLength) + 1]); }
} // namespace

KeyTable BuildKeyTable()
{
    KeyTable table{};
    for (int n = 1; n <= keyLength; ++n)
        table[n] = keyText[n - 1];
    return table;
}

QString EncryptText(const QString& plainText)
{
    const KeyTable key = BuildKeyTable();
    QString body;
    body.reserve(plainText.size());
    for (qsizetype i = 1; i <= plainText.size(); ++i) {
        const int p = CodeOf(plainText[i - 1]);
        body.append(Windows1252::CharOf(static_cast<unsigned char>(((p + KeyCode(key, i)) % 95) + 32)));
    }
    return sectionSign + body + sectionSign;
}

QString DecryptText(const QString& storedForm)
{
    const KeyTable key = BuildKeyTable();
    if (storedForm.size() <= 2)
        return {};
    const QString body = storedForm.mid(1, storedForm.size() - 2);
    QString result;
    result.reserve(body.size());
    for (qsizetype i = 1; i <= body.size(); ++i) {
        int x = CodeOf(body[i - 1]) - 32 - KeyCode(key, i);
        if (x < 0)
            x += 95;
        if (x < 32)
            x += 95;
        result.append(Windows1252::CharOf(static_cast<unsigned char>(x)));
    }
    return result;
}

bool CanBeMatchedAgain(const QString& password) { return DecryptText(EncryptText(password)) == password; }

} // namespace levy
