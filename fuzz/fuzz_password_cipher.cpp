// The password cipher: any text enciphers to the stored form and back, any stored form
// deciphers, and neither ever crashes.

#include "FuzzSupport.h"

#include "platform/Windows1252.h"
#include "levy/Encryption.h"

using namespace levy;
using namespace Qt::Literals::StringLiterals;
using fuzz::Codes;

namespace {
const QChar sectionSign(u'\u00A7');

bool IsPrintableAscii(QChar c) { return c.unicode() >= 32 && c.unicode() <= 126; }

// What deciphering gives back for one character: the cipher works on single-byte codes
// modulo 95, so a printable ASCII character comes back as itself and any other as the
// printable character of the same residue. A character the code page lacks counts as "?".
QChar Recovered(QChar c)
{
    const auto code = Windows1252::CodeOf(c);
    const int p = code ? int(*code) : int(u'?');
    int x = p % 95;
    if (x < 32)
        x += 95;
    return QChar(char16_t(x));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = fuzz::TextOf(data, size);

    // Enciphering: "§", one printable character per character, "§".
    const QString stored = EncryptText(text);
    LEVY_REQUIRE(stored.size() == text.size() + 2, "stored form has one character per password character", Codes(text));
    LEVY_REQUIRE(stored.front() == sectionSign && stored.back() == sectionSign,
                 "stored form is framed by section signs", Codes(stored));
    for (qsizetype i = 1; i + 1 < stored.size(); ++i)
        LEVY_REQUIRE(IsPrintableAscii(stored[i]), "stored form holds printable characters only", Codes(stored));

    // Round trip.
    QString expected;
    for (const QChar c : text)
        expected += Recovered(c);
    const QString back = DecryptText(stored);
    LEVY_REQUIRE(back == expected, "deciphering the stored form gives the password back",
                 Codes(text) + u"-> "_s + Codes(back));

    // Any text read from a settings file or a database deciphers, one character for each
    // between the frame's two; a printable one deciphers to a printable one, and a
    // well-formed stored form enciphers back to itself.
    const QString plain = DecryptText(text);
    LEVY_REQUIRE(plain.size() == (text.size() > 2 ? text.size() - 2 : 0), "deciphered length", Codes(text));
    bool wellFormed = text.size() > 2;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const bool printable = IsPrintableAscii(text[i + 1]);
        LEVY_REQUIRE(!printable || IsPrintableAscii(plain[i]), "a printable character deciphers to a printable one",
                     Codes(text));
        wellFormed = wellFormed && printable;
    }
    if (wellFormed)
        LEVY_REQUIRE(EncryptText(plain).mid(1).chopped(1) == text.mid(1).chopped(1),
                     "a well-formed stored form enciphers back to itself", Codes(text));
    return 0;
}
