#include "platform/Windows1252.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestWindows1252 : public QObject {
    Q_OBJECT

private slots:
    void everyByteDecodesAndEncodesBack();
    void knownCharacters();
    void unencodableCharactersAreRefusedNotReplaced();
};

void TestWindows1252::everyByteDecodesAndEncodesBack()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Windows1252::Decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Windows1252::Encode(text).value(), all);
}

void TestWindows1252::knownCharacters()
{
    QCOMPARE(Windows1252::Encode(u"\u00E9\u20AC\u00A7\u00A4"_s).value(), QByteArray("\xE9\x80\xA7\xA4"));
    QCOMPARE(Windows1252::Decode("\x93quoted\x94 \x85"), u"\u201Cquoted\u201D \u2026"_s);
    QCOMPARE(Windows1252::CodeOf(QChar(u'\u0178')).value(), 0x9F);
}

void TestWindows1252::unencodableCharactersAreRefusedNotReplaced()
{
    QVERIFY(!Windows1252::Encode(u"caf\u00E9 \u0141\u00F3d\u017A"_s).has_value());
    QCOMPARE(Windows1252::FirstUnencodable(u"ab\u4E2Dc"_s), 2);
    QVERIFY(!Windows1252::CanEncode(u"\U0001F600"_s));
    QVERIFY(Windows1252::CanEncode(u"plain text"_s));
}

QTEST_GUILESS_MAIN(TestWindows1252)
#include "test_windows1252.moc"
