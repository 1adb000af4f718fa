#include "platform/Windows1252.h"
#include "levy/Encryption.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
// An independent statement of the cipher on codes, for comparison.
QString Reference(const QString& plain)
{
    const QByteArray key("APPLE,FIG,BANANA,APRICOT,PEACHES,BLUEBERRY,COCONUT.");
    QString out = u"\u00A7"_s;
    for (qsizetype i = 1; i <= plain.size(); ++i) {
        const int p = *Windows1252::CodeOf(plain[i - 1]);
        const int k = key[i % 51];  // key entry (i mod 51) + 1, counting from 1
        out.append(Windows1252::CharOf(static_cast<unsigned char>(((p + k) % 95) + 32)));
    }
    return out + u"\u00A7"_s;
}
} // namespace

class TestEncryption : public QObject {
    Q_OBJECT

private slots:
    void keyTable();
    void fixedVectors_data();
    void fixedVectors();
    void everyPrintableCharacterRoundTrips();
    void shortTextsDecipherToNothingOrOneCharacter();
    void endsAreDroppedUnseen();
    void charactersOutsidePrintableComeBackShifted_data();
    void charactersOutsidePrintableComeBackShifted();
    void sameFormEveryTime();
};

void TestEncryption::keyTable()
{
    const KeyTable key = BuildKeyTable();
    QCOMPARE(key[1], QChar(u'A'));
    QCOMPARE(key[2], QChar(u'P'));
    QCOMPARE(key[51], QChar(u'.'));
}

void TestEncryption::fixedVectors_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << QString() << u"\u00A7\u00A7"_s;
    // 'a' (97) + key 2 'P' (80) = 177 -> 177 mod 95 = 82 -> 114 'r'
    QTest::newRow("a") << u"a"_s << u"\u00A7r\u00A7"_s;
    // ' ' (32) + 'P' (80) = 112 -> 17 + 32 = 49 '1'; ' ' + 'P' (3rd key char) likewise.
    QTest::newRow("two spaces") << u"  "_s << u"\u00A711\u00A7"_s;
    QTest::newRow("word") << u"admin"_s << Reference(u"admin"_s);
    QTest::newRow("with a space") << u"pass word"_s << Reference(u"pass word"_s);
}

void TestEncryption::fixedVectors()
{
    QFETCH(QString, plain);
    QFETCH(QString, stored);
    QCOMPARE(EncryptText(plain), stored);
    QCOMPARE(DecryptText(stored), plain);
}

void TestEncryption::everyPrintableCharacterRoundTrips()
{
    QString all;
    for (int c = 32; c <= 126; ++c)
        all.append(QChar(c));
    // Long enough to wrap the key more than once.
    const QString plain = all + all;
    const QString stored = EncryptText(plain);
    QCOMPARE(stored, Reference(plain));
    QCOMPARE(stored.size(), plain.size() + 2);
    for (qsizetype i = 1; i + 1 < stored.size(); ++i)
        QVERIFY(stored[i].unicode() >= 32 && stored[i].unicode() <= 126);
    QCOMPARE(DecryptText(stored), plain);

    // The key wraps: character 51 uses key character 1 ('A'), 52 uses key character 2 ('P').
    const QString fiftyTwo(52, u'0');
    const QString s = EncryptText(fiftyTwo);
    QCOMPARE(s[51].unicode(), char16_t(((48 + 65) % 95) + 32));
    QCOMPARE(s[52].unicode(), char16_t(((48 + 80) % 95) + 32));
}

void TestEncryption::shortTextsDecipherToNothingOrOneCharacter()
{
    QCOMPARE(DecryptText(QString()), QString());
    QCOMPARE(DecryptText(u"x"_s), QString());
    QCOMPARE(DecryptText(u"\u00A7\u00A7"_s), QString());
    QCOMPARE(DecryptText(u"\u00A7r\u00A7"_s), u"a"_s);
}

void TestEncryption::endsAreDroppedUnseen()
{
    QCOMPARE(DecryptText(u"XrY"_s), u"a"_s);
    const QString stored = EncryptText(u"secret"_s);
    QCOMPARE(DecryptText(u"#"_s + stored.mid(1, stored.size() - 2) + u"#"_s), u"secret"_s);
}

void TestEncryption::charactersOutsidePrintableComeBackShifted_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("comesBack");
    QTest::newRow("tab") << 9 << 104;
    QTest::newRow("code 0") << 0 << 95;
    QTest::newRow("code 31") << 31 << 126;
    QTest::newRow("delete 127") << 127 << 32;
    QTest::newRow("e acute 233") << 233 << 43;
    QTest::newRow("code 221") << 221 << 126;
    QTest::newRow("code 222") << 222 << 32;
    QTest::newRow("code 255") << 255 << 65;
}

void TestEncryption::charactersOutsidePrintableComeBackShifted()
{
    QFETCH(int, code);
    QFETCH(int, comesBack);
    const QString plain(Windows1252::CharOf(static_cast<unsigned char>(code)));
    const QString back = DecryptText(EncryptText(plain));
    QCOMPARE(back.size(), 1);
    QCOMPARE(int(*Windows1252::CodeOf(back[0])), comesBack);
}

void TestEncryption::sameFormEveryTime()
{
    QCOMPARE(EncryptText(u"Levy2026"_s), EncryptText(u"Levy2026"_s));
}

QTEST_GUILESS_MAIN(TestEncryption)
#include "test_encryption.moc"
