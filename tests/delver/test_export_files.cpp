#include "export/ExportCells.h"
#include "export/GridColours.h"
#include "export/TextExportFile.h"
#include "export/WorkbookExportFile.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <clocale>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {

// Grid texts of amounts, as the results window shows them: the magnitude, coloured.
ExportCell Amount(int64_t tenThousandths)
{
    return {FormatAmount(Currency{tenThousandths}, true, true), tenThousandths < 0 ? gridRed : gridBlue,
            Currency{tenThousandths}};
}
ExportCell Plain(const QString& text) { return {text, gridNormalColour, {}}; }

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes, mode_t mode = 0644)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

mode_t Mode(const QString& path)
{
    struct stat status {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

// Every name in a folder, hidden ones too: a temporary file left behind shows here.
QStringList Names(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Open descriptors of this process: an export must not leave its temporary data open.
qsizetype OpenFiles() { return QDir(u"/proc/self/fd"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(); }

RuntimeError ErrorOf(const std::function<void()>& act)
{
    try {
        act();
    } catch (const RuntimeError& error) {
        return error;
    }
    return RuntimeError{0, QString(), u"<no error>"_s};
}

enum class Kind { Text, Workbook };

// Writes a header and the records; commits only when asked to.
void Export(Kind kind, const QString& path, const QList<QList<ExportCell>>& records, bool commit = true)
{
    auto file = OpenExportFile(kind == Kind::Text ? ExportFormat::Text : ExportFormat::Workbook, path);
    file->WriteHeader({u"Name"_s, u"Memo"_s, u"Amount"_s});
    for (const auto& record : records)
        file->WriteRecord(record);
    if (commit)
        file->Commit();
}

QList<QList<ExportCell>> ManyRecords(int count)
{
    QList<QList<ExportCell>> records;
    for (int i = 0; i < count; ++i)
        records.append({Plain(u"Student number %1"_s.arg(i)), Plain(u"first line\r\nsecond line"_s), Amount(i * 1234)});
    return records;
}

// What a spreadsheet reader makes of a workbook: per sheet, every cell's type, value,
// font and alignment, and the widths of the columns that have one.
QJsonObject ReadWorkbook(const QString& path)
{
    static const QString script = uR"(
import json, sys, zipfile, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheets = []
for ws in book.worksheets:
    cells = {}
    for row in ws.iter_rows():
        for c in row:
            v = c.value
            cells[c.coordinate] = {"type": c.data_type, "value": v.isoformat() if hasattr(v, "isoformat") else v,
                                   "bold": bool(c.font.b), "wrap": bool(c.alignment.wrap_text),
                                   "valign": c.alignment.vertical, "format": c.number_format}
    widths = {k: d.width for k, d in ws.column_dimensions.items() if d.customWidth}
    sheets.append({"title": ws.title, "cells": cells, "widths": widths})
xml = zipfile.ZipFile(sys.argv[1]).read("xl/worksheets/sheet1.xml").decode()
print(json.dumps({"sheets": sheets, "xml": xml}))
)"_s;
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {u"-c"_s, script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning().noquote() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QJsonObject Sheet(const QJsonObject& book, int index)
{
    const QJsonArray sheets = book[u"sheets"_s].toArray();
    return index < sheets.size() ? sheets[index].toObject() : QJsonObject();
}

// Lets writes fail as on a full disk: files may not grow beyond a limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

const QString amountFormat = u"[Blue]#,##0.00;[Red]-#,##0.00"_s;

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestExportFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void reformatMultilineText_data();
    void reformatMultilineText();
    void exportedCellText_data();
    void exportedCellText();
    void amountBeyondTheRangeOverflows();

    void textFileBytes();
    void workbookCells_data();
    void workbookCells();
    void workbookColumns();
    void workbookContinuesOnFurtherWorksheets();
    void workbookNumbersUnderDecimalCommaLocale();

    void existingFileReplaced_data();
    void existingFileReplaced();
    void readOnlyFileRefused_data();
    void readOnlyFileRefused();
    void unusableTargetRefused_data();
    void unusableTargetRefused();
    void refusedRecordKeepsOldFile_data();
    void refusedRecordKeepsOldFile();
    void abandonedExportKeepsOldFile_data();
    void abandonedExportKeepsOldFile();
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();

private:
    QTemporaryDir bookDir_;
    QJsonObject book_;
};

void TestExportFiles::initTestCase()
{
    // One workbook holding the cases of the cell tests.
    const QString path = bookDir_.filePath(u"cells.xlsx"_s);
    WorkbookExportFile workbook(path);
    workbook.WriteHeader({u"Name"_s, u"Memo"_s, u"Amount"_s, u"Count"_s, u"When"_s, u"Code"_s, u"Flag"_s, u"Note"_s});
    workbook.WriteRecord({Plain(u"Zo\u00EB"_s), Plain(u"single line"_s), Amount(-12345000), Plain(u"42  "_s),
                          Plain(u"05/03/2021"_s), Plain(u"0012"_s), Plain(u"Yes"_s), Plain(u"=1+1"_s)});
    workbook.WriteRecord({Plain(u"Smith, J."_s), Plain(u"a\r\n\r\nb"_s), Amount(0), Plain(u"-7  "_s),
                          Plain(u"05/03/2021 12:30"_s), Plain(u"3.5"_s), Plain(u"No"_s), Plain(u"_x0041_"_s)});
    workbook.WriteRecord({Plain(QString()), Plain(u"after"_s), Amount(20000000), Plain(QString()),
                          Plain(u"31/12/1899"_s), Plain(u"12345678901234567"_s), Plain(u"1.50"_s), Plain(u"x\ny"_s)});
    workbook.Commit();
    book_ = ReadWorkbook(path);
    QVERIFY(!book_.isEmpty());
}

void TestExportFiles::reformatMultilineText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank line between") << u"a\r\n\r\nb"_s << u";"_s << u"a;b"_s;
    QTest::newRow("leading breaks") << u"\r\n\r\na\r\nb"_s << u";"_s << u"a;b"_s;
    QTest::newRow("trailing breaks") << u"a\r\nb\r\n\r\n"_s << u";"_s << u"a;b"_s;
    QTest::newRow("only breaks") << u"\r\n\r\n"_s << u";"_s << QString();
    QTest::newRow("bare returns") << u"a\rb\rc"_s << u";"_s << u"a;b;c"_s;
    QTest::newRow("mixed runs") << u"a\n\rb\r\r\nc"_s << u";"_s << u"a;b;c"_s;
    QTest::newRow("blanks kept") << u" a \r\n b "_s << u";"_s << u" a ; b "_s;
    QTest::newRow("line feed separator") << u"a\r\n\r\nb"_s << u"\n"_s << u"a\nb"_s;
    QTest::newRow("longer separator") << u"x\r\ny"_s << u" / "_s << u"x / y"_s;
    QTest::newRow("no break") << u"abc"_s << u";"_s << u"abc"_s;
}

void TestExportFiles::reformatMultilineText()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(ReformatMultilineText(text, separator), expected);
}

void TestExportFiles::exportedCellText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("expected");
    const auto amount = [](int64_t t) { return FormatAmount(Currency{t}, true, true); };
    QTest::newRow("negative amount") << amount(-12345000) << gridRed << u"-1234.5"_s;
    QTest::newRow("zero") << amount(0) << gridBlue << u"0"_s;
    QTest::newRow("whole amount") << amount(20000000) << gridBlue << u"2000"_s;
    QTest::newRow("cents") << amount(-500) << gridRed << u"-0.05"_s;
    QTest::newRow("no float noise") << amount(3000) << gridBlue << u"0.3"_s;
    QTest::newRow("past 2147483647 units") << amount(21474836479900) << gridRed << u"-2147483647.99"_s;
    QTest::newRow("largest amount") << amount(std::numeric_limits<int64_t>::max()) << gridBlue
                                    << u"922337203685477.58"_s;
    QTest::newRow("beyond the grid's digits") << u"12 345 678 901 234.00"_s << gridBlue << u"12345678901234"_s;
    QTest::newRow("blanks anywhere") << u" 1 2 3 . 4 5 "_s << gridBlue << u"123.45"_s;
    QTest::newRow("stops at a letter") << u"12.5abc"_s << gridBlue << u"12.5"_s;
    QTest::newRow("stops at a second point") << u"1.2.3"_s << gridBlue << u"1.2"_s;
    QTest::newRow("no digits") << u"abc"_s << gridRed << u"0"_s;
    QTest::newRow("fifth decimal, half to even") << u"0.00015"_s << gridBlue << u"0.0002"_s;
    QTest::newRow("fifth decimal, half down to even") << u"0.00025"_s << gridBlue << u"0.0002"_s;
    QTest::newRow("fifth decimal, above half") << u"0.000251"_s << gridBlue << u"0.0003"_s;
    QTest::newRow("integer kept with its blanks") << u"42  "_s << gridNormalColour << u"42  "_s;
    QTest::newRow("multi-line joined") << u"a\r\n\r\nb"_s << gridNormalColour << u"a;b"_s;
    QTest::newRow("bare line feed kept") << u"a\nb"_s << gridNormalColour << u"a\nb"_s;
    QTest::newRow("comma kept") << u"x, y"_s << gridNormalColour << u"x, y"_s;
    QTest::newRow("other colour is no amount") << amount(12345000) << 65280 << amount(12345000);
}

void TestExportFiles::exportedCellText()
{
    QFETCH(QString, text);
    QFETCH(int, colour);
    QFETCH(QString, expected);
    QCOMPARE(ExportedCellText(ExportCell{text, colour, {}}, textFileSeparator), expected);
}

void TestExportFiles::amountBeyondTheRangeOverflows()
{
    const RuntimeError error = ErrorOf([] { NumericValueOfText(u"99 999 999 999 999 999 999.00"_s); });
    QCOMPARE(error.number, 6);
    QCOMPARE(error.description, u"Overflow"_s);
}

void TestExportFiles::textFileBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.txt"_s);
    TextExportFile file(path);
    file.WriteHeader({u"Name"_s, u"Memo"_s, u"Paid, total"_s, u"Count"_s});
    file.WriteRecord({Plain(u"Zo\u00EB"_s), Plain(u"a\r\n\r\nb"_s), Amount(-12345000), Plain(u"42  "_s)});
    file.WriteRecord({Plain(u"Smith, J."_s), Plain(u"He said \"hi\""_s), Amount(0), Plain(u"7  "_s)});
    file.WriteRecord({Plain(u"\u20ACuro"_s), Plain(u"line1\nline2"_s), Amount(20000000), Plain(QString())});
    // Texts a spreadsheet would run as formulas reach it as texts; numbers stay numbers.
    file.WriteRecord({Plain(u"=HYPERLINK(\"http://x\"&A1,\"Pay\")"_s), Plain(u"@SUM(1)"_s), Amount(-10000),
                      Plain(u"-7  "_s)});
    file.WriteRecord({Plain(u"+1-2"_s), Plain(u"\t=1+1"_s), Amount(0), Plain(u"-cmd|' /C calc'!A0"_s)});
    QVERIFY(!QFile::exists(path));  // nothing under the chosen name before it is complete
    file.Commit();

    QCOMPARE(Contents(path), QByteArray("Name,Memo,\"Paid, total\",Count\r\n"
                                        "Zo\xEB,a;b,-1234.5,42  \r\n"
                                        "\"Smith, J.\",\"He said \"\"hi\"\"\",0,7  \r\n"
                                        "\x80uro,\"line1\nline2\",2000,\r\n"
                                        "\"'=HYPERLINK(\"\"http://x\"\"&A1,\"\"Pay\"\")\",'@SUM(1),-1,-7  \r\n"
                                        "'+1-2,'\t=1+1,0,'-cmd|' /C calc'!A0\r\n"));
    QCOMPARE(Names(dir.path()), QStringList{u"results.txt"_s});
}

void TestExportFiles::workbookCells_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << u"A2"_s << u"s"_s << QVariant(u"Zo\u00EB"_s) << u"General"_s;
    QTest::newRow("text with a comma") << u"A3"_s << u"s"_s << QVariant(u"Smith, J."_s) << u"General"_s;
    QTest::newRow("empty") << u"A4"_s << u"n"_s << QVariant() << u"General"_s;
    QTest::newRow("multi-line") << u"B3"_s << u"s"_s << QVariant(u"a\nb"_s) << u"General"_s;
    QTest::newRow("negative amount") << u"C2"_s << u"n"_s << QVariant(-1234.5) << amountFormat;
    QTest::newRow("zero amount") << u"C3"_s << u"n"_s << QVariant(0.0) << amountFormat;
    QTest::newRow("whole amount") << u"C4"_s << u"n"_s << QVariant(2000.0) << amountFormat;
    QTest::newRow("integer") << u"D2"_s << u"n"_s << QVariant(42.0) << u"General"_s;
    QTest::newRow("negative integer") << u"D3"_s << u"n"_s << QVariant(-7.0) << u"General"_s;
    QTest::newRow("date") << u"E2"_s << u"d"_s << QVariant(u"2021-03-05T00:00:00"_s) << u"dd/mm/yyyy"_s;
    QTest::newRow("date and time") << u"E3"_s << u"d"_s << QVariant(u"2021-03-05T12:30:00"_s)
                                   << u"dd/mm/yyyy hh:mm"_s;
    QTest::newRow("date before 1900") << u"E4"_s << u"s"_s << QVariant(u"31/12/1899"_s) << u"General"_s;
    QTest::newRow("leading zeros") << u"F2"_s << u"s"_s << QVariant(u"0012"_s) << u"General"_s;
    QTest::newRow("decimal") << u"F3"_s << u"n"_s << QVariant(3.5) << u"General"_s;
    QTest::newRow("more digits than a number keeps") << u"F4"_s << u"s"_s << QVariant(u"12345678901234567"_s)
                                                     << u"General"_s;
    QTest::newRow("yes") << u"G2"_s << u"s"_s << QVariant(u"Yes"_s) << u"General"_s;
    QTest::newRow("no") << u"G3"_s << u"s"_s << QVariant(u"No"_s) << u"General"_s;
    QTest::newRow("trailing zero") << u"G4"_s << u"s"_s << QVariant(u"1.50"_s) << u"General"_s;
    QTest::newRow("formula-like text") << u"H2"_s << u"s"_s << QVariant(u"=1+1"_s) << u"General"_s;
}

void TestExportFiles::workbookCells()
{
    QFETCH(QString, cell);
    QFETCH(QString, type);
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    const QJsonObject c = Sheet(book_, 0)[u"cells"_s].toObject()[cell].toObject();
    QCOMPARE(c[u"type"_s].toString(), type);
    if (!value.isValid())
        QVERIFY(c[u"value"_s].isNull());
    else if (value.typeId() == QMetaType::Double)
        QCOMPARE(c[u"value"_s].toDouble(), value.toDouble());
    else
        QCOMPARE(c[u"value"_s].toString(), value.toString());
    QCOMPARE(c[u"format"_s].toString(), format);
}

void TestExportFiles::workbookColumns()
{
    const QJsonObject sheet = Sheet(book_, 0);
    const QJsonObject cells = sheet[u"cells"_s].toObject();
    for (const QString& header : {u"A1"_s, u"B1"_s, u"H1"_s})
        QVERIFY2(cells[header].toObject()[u"bold"_s].toBool(), qPrintable(header));
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        QCOMPARE(it.value().toObject()[u"valign"_s].toString(), u"top"_s);
        if (!it.key().endsWith(u'1'))
            QVERIFY2(!it.value().toObject()[u"bold"_s].toBool(), qPrintable(it.key()));
    }

    // Memo (B) got a multi-line value, Note (H) one with bare line feeds: both wrap, with
    // width 30 (stored as a width of 30 characters is stored); the others are as wide as
    // their widest value or heading, whichever is wider.
    const QJsonObject widths = sheet[u"widths"_s].toObject();
    QCOMPARE(widths.keys(), (QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s, u"G"_s, u"H"_s}));
    QCOMPARE(widths[u"B"_s].toDouble(), 30.7109375);
    QCOMPARE(widths[u"H"_s].toDouble(), 30.7109375);
    QVERIFY(widths[u"A"_s].toDouble() > double(QString(u"Smith, J."_s).size()));     // a value
    QVERIFY(widths[u"F"_s].toDouble() > double(QString(u"12345678901234567"_s).size()));
    QVERIFY(widths[u"G"_s].toDouble() > double(QString(u"Flag"_s).size()) + 2);      // its heading and filter
    QVERIFY(widths[u"G"_s].toDouble() < widths[u"A"_s].toDouble());
    for (const QString& wrapped : {u"B3"_s, u"B4"_s, u"H4"_s})
        QVERIFY2(cells[wrapped].toObject()[u"wrap"_s].toBool(), qPrintable(wrapped));
    // Written before its column's first multi-line value, in row order.
    QVERIFY(!cells[u"B2"_s].toObject()[u"wrap"_s].toBool());
    for (const QString& unwrapped : {u"A2"_s, u"C2"_s, u"D2"_s, u"E3"_s, u"F4"_s, u"G4"_s})
        QVERIFY2(!cells[unwrapped].toObject()[u"wrap"_s].toBool(), qPrintable(unwrapped));

    // A text that looks like an escape keeps its underscore when a spreadsheet reads it.
    QVERIFY(book_[u"xml"_s].toString().contains(u"<t>_x005F_x0041_</t>"_s));
    QVERIFY(!book_[u"xml"_s].toString().contains(u"<f>"_s));
}

void TestExportFiles::workbookContinuesOnFurtherWorksheets()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"long.xlsx"_s);
    {
        WorkbookExportFile workbook(path, 3);  // the header and two records a worksheet
        workbook.WriteHeader({u"Name"_s});
        for (int i = 1; i <= 5; ++i)
            workbook.WriteRecord({Plain(u"record %1"_s.arg(i))});
        QCOMPARE(workbook.WorksheetCount(), 3);
        workbook.Commit();
    }
    const QJsonObject book = ReadWorkbook(path);
    const QList<QStringList> expected{{u"record 1"_s, u"record 2"_s}, {u"record 3"_s, u"record 4"_s}, {u"record 5"_s}};
    QCOMPARE(book[u"sheets"_s].toArray().size(), 3);
    for (int s = 0; s < 3; ++s) {
        const QJsonObject cells = Sheet(book, s)[u"cells"_s].toObject();
        QCOMPARE(cells[u"A1"_s].toObject()[u"value"_s].toString(), u"Name"_s);
        QVERIFY(cells[u"A1"_s].toObject()[u"bold"_s].toBool());
        QStringList records;
        for (int row = 2; cells.contains(u"A%1"_s.arg(row)); ++row)
            records.append(cells[u"A%1"_s.arg(row)].toObject()[u"value"_s].toString());
        QCOMPARE(records, expected[s]);
    }
}

void TestExportFiles::workbookNumbersUnderDecimalCommaLocale()
{
    QTemporaryDir dir;
    const QString locales = dir.filePath(u"locales"_s);
    QDir().mkpath(locales);
    QProcess localedef;
    localedef.start(u"localedef"_s, {u"-i"_s, u"de_DE"_s, u"-f"_s, u"UTF-8"_s, locales + u"/de_DE.UTF-8"_s});
    localedef.waitForFinished(60000);
    qputenv("LOCPATH", QFile::encodeName(locales));
    const bool available = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    const QString path = dir.filePath(u"komma.xlsx"_s);
    if (available) {
        WorkbookExportFile workbook(path);
        workbook.WriteHeader({u"Value"_s, u"Memo"_s});
        workbook.WriteRecord({Plain(u"1.5"_s), Plain(u"a\r\nb"_s)});
        workbook.WriteRecord({Amount(-12345000), Plain(QString())});
        workbook.Commit();
    }
    std::setlocale(LC_NUMERIC, "C");
    qunsetenv("LOCPATH");
    if (!available)
        QSKIP("No locale with a decimal comma can be made here");

    const QJsonObject sheet = Sheet(ReadWorkbook(path), 0);
    QVERIFY2(!sheet.isEmpty(), "the workbook does not read back");
    const QJsonObject cells = sheet[u"cells"_s].toObject();
    QCOMPARE(cells[u"A2"_s].toObject()[u"value"_s].toDouble(), 1.5);
    QCOMPARE(cells[u"A3"_s].toObject()[u"value"_s].toDouble(), -1234.5);
    QCOMPARE(sheet[u"widths"_s].toObject()[u"B"_s].toDouble(), 30.7109375);
}

void TestExportFiles::existingFileReplaced_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("text") << Kind::Text << QByteArray("Name,Memo,Amount\r\n");
    QTest::newRow("workbook") << Kind::Workbook << QByteArray("PK");
}

void TestExportFiles::existingFileReplaced()
{
    QFETCH(Kind, kind);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.out"_s);
    Put(path, "an earlier export that is much longer than the new one will be, so that truncation shows" +
                  QByteArray(100000, 'x'),
        0640);
    const qsizetype openBefore = OpenFiles();
    Export(kind, path, {{Plain(u"a"_s), Plain(u"b"_s), Amount(10000)}});
    QCOMPARE(OpenFiles(), openBefore);
    const QByteArray now = Contents(path);
    QVERIFY(now.startsWith(start));
    QVERIFY(!now.contains("earlier export"));
    QCOMPARE(Mode(path), mode_t(0640));
    QCOMPARE(Names(dir.path()), QStringList{u"results.out"_s});
}

void TestExportFiles::readOnlyFileRefused_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("text") << Kind::Text;
    QTest::newRow("workbook") << Kind::Workbook;
}

void TestExportFiles::readOnlyFileRefused()
{
    QFETCH(Kind, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"kept.out"_s);
    Put(path, "keep me", 0444);
    const RuntimeError error = ErrorOf([&] { Export(kind, path, ManyRecords(3)); });
    QCOMPARE(error.number, 70);
    QCOMPARE(error.description, u"Permission denied: the file \"%1\" is read-only."_s.arg(path));
    QCOMPARE(Contents(path), QByteArray("keep me"));
    QCOMPARE(Mode(path), mode_t(0444));
    QCOMPARE(Names(dir.path()), QStringList{u"kept.out"_s});
}

void TestExportFiles::unusableTargetRefused_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("name");  // inside the test's folder unless absolute
    QTest::addColumn<QList<int>>("numbers");  // a folder is refused as unwritable or when a file fails there
    QTest::addColumn<QString>("says");
    for (const auto& [kind, label] : {std::pair{Kind::Text, "text"}, std::pair{Kind::Workbook, "workbook"}}) {
        QTest::addRow("%s: a folder", label) << kind << u"folder"_s << QList<int>{75} << u"is a folder, not a file"_s;
        QTest::addRow("%s: missing folder", label) << kind << u"missing/results.out"_s << QList<int>{76} << u"does not exist"_s;
        QTest::addRow("%s: folder that takes no files", label)
            << kind << u"/proc/levy-export.out"_s << QList<int>{70, 75} << u"the folder \"/proc\""_s;
    }
}

void TestExportFiles::unusableTargetRefused()
{
    QFETCH(Kind, kind);
    QFETCH(QString, name);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    const QString path = QDir(dir.path()).filePath(name);
    const RuntimeError error = ErrorOf([&] { Export(kind, path, ManyRecords(3)); });
    QVERIFY2(numbers.contains(error.number), qPrintable(error.description));
    QVERIFY2(error.description.contains(says), qPrintable(error.description));
    QCOMPARE(Names(dir.path()), QStringList{u"folder"_s});
    QVERIFY(Names(dir.filePath(u"folder"_s)).isEmpty());
    QVERIFY(!QFile::exists(path) || QFileInfo(path).isDir());
}

void TestExportFiles::refusedRecordKeepsOldFile_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::newRow("text: character outside the code page")
        << Kind::Text << u"\u0141\u00F3d\u017A"_s << u"Record 2, field \"Name\": the character \"\u0141\""_s;
    QTest::newRow("text: character beyond 16 bits")
        << Kind::Text << u"smile \U0001F600"_s << u"the character \"\U0001F600\""_s;
    QTest::newRow("workbook: text longer than a cell")
        << Kind::Workbook << QString(40000, u'x') << u"Record 2, field \"Name\": the text is 40000 characters long"_s;
}

void TestExportFiles::refusedRecordKeepsOldFile()
{
    QFETCH(Kind, kind);
    QFETCH(QString, text);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.out"_s);
    Put(path, "the earlier export");
    QList<QList<ExportCell>> records = ManyRecords(3);
    records[1][0] = Plain(text);
    const RuntimeError error = ErrorOf([&] { Export(kind, path, records); });
    QVERIFY2(error.description.contains(says), qPrintable(error.description));
    QCOMPARE(Contents(path), QByteArray("the earlier export"));
    QCOMPARE(Names(dir.path()), QStringList{u"results.out"_s});
}

void TestExportFiles::abandonedExportKeepsOldFile_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("text") << Kind::Text;
    QTest::newRow("workbook") << Kind::Workbook;
}

void TestExportFiles::abandonedExportKeepsOldFile()
{
    QFETCH(Kind, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.out"_s);
    Put(path, "the earlier export");
    const qsizetype openBefore = OpenFiles();
    Export(kind, path, ManyRecords(3000), false);
    QCOMPARE(OpenFiles(), openBefore);
    QCOMPARE(Contents(path), QByteArray("the earlier export"));
    QCOMPARE(Names(dir.path()), QStringList{u"results.out"_s});
}

void TestExportFiles::fullDiskKeepsOldFile_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("text") << Kind::Text;
    QTest::newRow("workbook") << Kind::Workbook;
}

void TestExportFiles::fullDiskKeepsOldFile()
{
    QFETCH(Kind, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.out"_s);
    Put(path, "the earlier export");
    RuntimeError error;
    {
        FileSizeLimit limit(64 * 1024);
        error = ErrorOf([&] { Export(kind, path, ManyRecords(20000)); });
    }
    QVERIFY2(error.description.startsWith(u"The file \"%1\" could not be written: "_s.arg(path)),
             qPrintable(error.description));
    QCOMPARE(Contents(path), QByteArray("the earlier export"));
    QCOMPARE(Names(dir.path()), QStringList{u"results.out"_s});
}

QTEST_GUILESS_MAIN(TestExportFiles)
#include "test_export_files.moc"
