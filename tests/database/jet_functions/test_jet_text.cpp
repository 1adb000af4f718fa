#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's texts, a row or more per documented case.
class TestJetText : public QObject {
    Q_OBJECT

private slots:
    void text_data();
    void text() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetText::text_data()
{
    AddExpressionColumns();
    Row("Left", "jet_left('abcdef', 2)", "'ab'");
    Row("Left of none", "jet_left('abc', 0)", "''");
    Row("Left beyond the end", "jet_left('abc', 10)", "'abc'");
    Row("Left of Null", "jet_left(NULL, 2)", "Null");
    Row("Left of a number", "jet_left(12345, 2)", "'12'");
    Row("Left counts characters, not bytes", "jet_left('Ñandú', 2)", "'Ña'");
    Row("Right", "jet_right('abcdef', 2)", "'ef'");
    Row("Right of none", "jet_right('abc', 0)", "''");
    Row("Right beyond the start", "jet_right('abc', 5)", "'abc'");
    Row("Right of accented text", "jet_right('Ñandú', 2)", "'dú'");
    Row("Mid to the end", "jet_mid('abc', 2)", "'bc'");
    Row("Mid with a length", "jet_mid('abcdef', 2, 3)", "'bcd'");
    Row("Mid beyond the end", "jet_mid('abc', 5)", "''");
    Row("Mid of Null", "jet_mid(NULL, 1)", "Null");
    Row("Len", "jet_len('abc')", "3");
    Row("Len of an empty text", "jet_len('')", "0");
    Row("Len of Null", "jet_len(NULL)", "Null");
    Row("Len of a number", "jet_len(123)", "3");
    Row("Len counts characters", "jet_len('Ñandú')", "5");
    Row("InStr", "jet_instr('abcabc', 'c')", "3");
    Row("InStr from a start", "jet_instr(4, 'abcabc', 'c')", "6");
    Row("InStr ignores case", "jet_instr('abc', 'B')", "2");
    Row("InStr binary comparison", "jet_instr(1, 'abc', 'B', 0)", "0");
    Row("InStr text comparison", "jet_instr(1, 'abc', 'B', 1)", "2");
    Row("InStr of an empty search", "jet_instr('abc', '')", "1");
    Row("InStr in an empty text", "jet_instr('', 'a')", "0");
    Row("InStr start beyond the text", "jet_instr(5, 'abc', 'a')", "0");
    Row("InStr in Null", "jet_instr(NULL, 'a')", "Null");
    Row("InStr of accented text", "jet_instr('Ñandú', 'DÚ')", "4");
    Row("UCase", "jet_ucase('Banda')", "'BANDA'");
    Row("UCase of accented text", "jet_ucase('ñandú')", "'ÑANDÚ'");
    Row("LCase", "jet_lcase('Banda')", "'banda'");
    Row("UCase of Null", "jet_ucase(NULL)", "Null");
    Row("Trim", "jet_trim('  a b  ')", "'a b'");
    Row("LTrim", "jet_ltrim('  a b  ')", "'a b  '");
    Row("RTrim", "jet_rtrim('  a b  ')", "'  a b'");
    Row("Trim keeps tabs", "jet_trim(char(9) || 'a ')", "'\ta'");
    Row("Trim of Null", "jet_trim(NULL)", "Null");
    Row("Space", "jet_space(3)", "'   '");
    Row("Space of none", "jet_space(0)", "''");
    Row("String of a text's first character", "jet_string(3, 'ab')", "'aaa'");
    Row("String of a character code", "jet_string(3, 65)", "'AAA'");
    Row("String of a code-page character", "jet_string(2, 128)", "'€€'");
    Row("String of Null", "jet_string(NULL, 'a')", "Null");
    Row("Replace ignores case", "jet_replace('aXbxc', 'x', '-')", "'a-b-c'");
    Row("Replace binary", "jet_replace('aXbxc', 'x', '-', 1, -1, 0)", "'aXb-c'");
    Row("Replace returns the text from its start", "jet_replace('abcabc', 'b', '', 3)", "'cac'");
    Row("Replace a number of times", "jet_replace('aaa', 'a', 'b', 1, 2)", "'bba'");
    Row("Replace of an empty search", "jet_replace('abc', '', 'x')", "'abc'");
    Row("Replace in accented text", "jet_replace('Ñandú', 'Ú', 'u')", "'Ñandu'");
    Row("InStrRev", "jet_instrrev('the quick brown fox jumps over the lazy dog', 'the')", "32");
    Row("InStrRev from a start", "jet_instrrev('the quick brown fox jumps over the lazy dog', 'the', 16)", "1");
    Row("InStrRev is binary by default", "jet_instrrev('XXpXXpXXPXXP', 'P', 8)", "0");
    Row("InStrRev binary from a start", "jet_instrrev('XXpXXpXXPXXP', 'P', 10, 0)", "9");
    Row("InStrRev text comparison", "jet_instrrev('XXpXXpXXPXXP', 'P', -1, 1)", "12");
    Row("InStrRev match must end by the start", "jet_instrrev('abcabc', 'bc', 5)", "2");
    Row("InStrRev of accented text", "jet_instrrev('Ñandú ñandú', 'Ñ', -1, 1)", "7");
    Row("InStrRev of an empty search", "jet_instrrev('abc', '', 2)", "2");
    Row("InStrRev in an empty text", "jet_instrrev('', '')", "0");
    Row("InStrRev start beyond the text", "jet_instrrev('abc', 'a', 5)", "0");
    Row("InStrRev in Null", "jet_instrrev(NULL, 'a')", "Null");
    Row("StrComp ignores case", "jet_strcomp('ABCD', 'abcd')", "0");
    Row("StrComp binary", "jet_strcomp('ABCD', 'abcd', 0)", "-1");
    Row("StrComp text", "jet_strcomp('b', 'A', 1)", "1");
    Row("StrComp of Null", "jet_strcomp(NULL, 'a')", "Null");
    Row("StrReverse counts characters", "jet_strreverse('Ñandú')", "'údnaÑ'");
    Row("StrReverse of an empty text", "jet_strreverse('')", "''");
    Row("& with Null on the left", "jet_concat(NULL, 'a')", "'a'");
    Row("& with Null on the right", "jet_concat('a', NULL)", "'a'");
    Row("& of two Nulls", "jet_concat(NULL, NULL)", "Null");
    Row("& with a whole number", "jet_concat('n=', 5)", "'n=5'");
    Row("& with a double", "jet_concat('x', 2.5)", "'x2.5'");
    Row("& with a stored date", "jet_concat('Paid ', '2020-01-31 00:00:00')", "'Paid 31/01/2020'");
    Row("Like with *", "jet_like('Banda', 'b*')", "-1");
    Row("Like with ?", "jet_like('Banda', '?anda')", "-1");
    Row("Like with # digits", "jet_like('S123', 'S###')", "-1");
    Row("Like # refuses a letter", "jet_like('S12a', 'S###')", "0");
    Row("Like with a range", "jet_like('Banda', '[a-c]*')", "-1");
    Row("Like with a negated range", "jet_like('Banda', '[!a-c]*')", "0");
    Row("Like with %", "jet_like('abc', 'a%')", "-1");
    Row("Like with _", "jet_like('abc', 'a_c')", "-1");
    Row("Like with a bracketed star", "jet_like('a*c', 'a[*]c')", "-1");
    Row("Like bracketed star is literal", "jet_like('abc', 'a[*]c')", "0");
    Row("Like with a lone hyphen in a list", "jet_like('a-b', 'a[-]b')", "-1");
    Row("Like with an empty list", "jet_like('ab', 'a[]b')", "-1");
    Row("Like ignores case", "jet_like('abc', 'ABC')", "-1");
    Row("Like ignores case of accented letters", "jet_like('Ñu', 'ñ?')", "-1");
    Row("Like backtracks over *", "jet_like('mississippi', '*sip*')", "-1");
    Row("Like needs the whole text", "jet_like('abcd', 'abc')", "0");
    Row("Like of an empty text", "jet_like('', '*')", "-1");
    Row("Like of Null", "jet_like(NULL, 'a')", "Null");
    Row("Like of a stored date as the office writes it", "jet_like('2020-01-31 00:00:00', '*/01/2020')", "-1");
    Row("Left with a negative length", "jet_left('abc', -1)", "!Invalid procedure call or argument in Left()");
    Row("Left with a Null length", "jet_left('abc', NULL)", "!Invalid use of Null in Left()");
    Row("Mid from position 0", "jet_mid('abc', 0)", "!Invalid procedure call or argument in Mid()");
    Row("Space of a negative", "jet_space(-1)", "!Invalid procedure call or argument in Space()");
    Row("Replace in Null", "jet_replace(NULL, 'a', 'b')", "!Invalid use of Null in Replace()");
    Row("Like with an unclosed list", "jet_like('abc', '[a')", "!Invalid pattern string in the Like operator");
    Row("StrComp with an unknown comparison", "jet_strcomp('a', 'b', 3)",
        "!Invalid procedure call or argument in StrComp()");
    Row("StrReverse of Null", "jet_strreverse(NULL)", "!Invalid use of Null in StrReverse()");
    Row("InStrRev from position 0", "jet_instrrev('abc', 'a', 0)", "!Invalid procedure call or argument in InStrRev()");
    Row("InStrRev with a Null start", "jet_instrrev('abc', 'a', NULL)", "!Invalid use of Null in InStrRev()");
    Row("StrConv to upper case", "jet_strconv('SQL Tutorial is cool', 1)", "'SQL TUTORIAL IS COOL'");
    Row("StrConv to lower case", "jet_strconv('SQL Tutorial is cool', 2)", "'sql tutorial is cool'");
    Row("StrConv to proper case", "jet_strconv('SQL Tutorial is cool', 3)", "'Sql Tutorial Is Cool'");
    Row("StrConv proper case starts words after blanks only", "jet_strconv('o''NEIL mary-jane' || char(9) || 'x', 3)",
        "'O'neil Mary-jane\tX'");
    Row("StrConv of Null", "jet_strconv(NULL, 3)", "Null");
    Row("StrConv with a locale", "jet_strconv('abc', 1, 1033)", "'ABC'");
    Row("StrConv to wide characters", "jet_strconv('abc', 4)",
        "!Invalid procedure call or argument in StrConv(): the conversion 4 is not 1 (upper case), 2 (lower case) "
        "or 3 (proper case).");
    Row("StrConv from Unicode", "jet_strconv('abc', 128)", "!Invalid procedure call or argument in StrConv()");
    Row("StrConv of a Null conversion", "jet_strconv('abc', NULL)", "!Invalid use of Null in StrConv()");
}

QTEST_MAIN(TestJetText)
#include "test_jet_text.moc"
