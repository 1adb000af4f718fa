// Writes the levy database the result benchmarks read: a blank levy database plus one
// large table of ledger lines, drawn from a fixed seed so that every run reads the same
// file. Usage: make_bench_database OUTPUT-FILE [RECORDS]

#include "SeededRandom.h"
#include "BenchLedger.h"

#include "database/DBEngine.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "database/QueryDef.h"
#include "database/ValueStorage.h"
#include "platform/RuntimeError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {

constexpr std::array surnames{
    u"Smith",    u"Jones",    u"Taylor",  u"Brown",     u"Williams", u"Wilson",    u"Johnson",  u"Davies",
    u"Robinson", u"Wright",   u"Evans",   u"Walker",    u"Roberts",  u"Green",     u"Hall",     u"Wood",
    u"Jackson",  u"Clarke",   u"Harris",  u"Lewis",     u"Martin",   u"Cooper",    u"King",     u"Baker",
    u"O'Brien",  u"O'Connor", u"Campbell", u"MacDonald", u"Fraser",  u"Richardson", u"Fletcher", u"Okafor",
    u"Mensah",   u"Nakamura", u"Kowalski", u"Fernández", u"Müller",  u"Byrne",     u"Achterberg-Lindqvist"};
constexpr std::array firstNames{u"Thomas",  u"Eleanor", u"David",  u"Rachel", u"Graham", u"Susan",   u"Peter",
                                u"Angela",  u"Richard", u"Janet",  u"Andrew", u"Chloé",  u"Kwame",   u"Aoife",
                                u"Zoë",     u"Mohammed", u"Priya", u"Oluwaseun", u"Jan", u"Catherine"};
constexpr std::array remarks{u"Cash payment at the office",
                             u"Cheque received",
                             u"Bank transfer",
                             u"Standing order",
                             u"Reversal of an earlier entry",
                             u"Refund on deregistration",
                             u"Part payment, balance due next term",
                             u"Paid by the guardian's employer",
                             u"Bursary award",
                             u"Lost library book",
                             u"Laboratory breakage",
                             u"Correction: amount keyed twice",
                             u"Sports kit, 2 items",
                             u"Field trip deposit",
                             u"Receipt reissued; original spoilt"};

QString Text(const char16_t* s) { return QString::fromUtf16(s); }

Value Payer(SeededRandom& rng)
{
    if (rng.Percent(1))
        return Value();
    QString name = Text(rng.Pick(surnames)) + u", "_s + Text(rng.Pick(firstNames));
    if (rng.Percent(40))
        name += u' ' + QChar(u'A' + rng.Below(26)) + u'.';
    return Value(name.left(50));
}

// Dates over twelve years; about a third without a time of day, the rest in office
// hours, some to the second.
Value PostedOn(SeededRandom& rng)
{
    const QDate day = QDate(2015, 1, 1).addDays(rng.Below(4383));
    if (rng.Percent(35))
        return Value(DateTime{day});
    const int second = rng.Percent(30) ? rng.Between(1, 59) : 0;
    return Value(DateTime{day, QTime(rng.Between(7, 17), rng.Below(60), second)});
}

Value Term(SeededRandom& rng)
{
    const int r = rng.Below(1000);
    if (r < 10)
        return Value();
    if (r < 20)
        return Value(int64_t{0});
    if (r < 25)
        return Value(int64_t(-rng.Between(1, 32768)));
    if (r < 30)
        return Value(int64_t(rng.Between(1000, 32767)));
    return Value(int64_t(rng.Between(1, 3)));
}

// Mostly payments; some reversals and refunds below zero, some zero lines, a few split
// amounts with four decimals.
Value Amount(SeededRandom& rng)
{
    const int r = rng.Below(100);
    if (r < 4)
        return Value(Currency{0});
    int64_t tenThousandths;
    if (r < 7)
        tenThousandths = int64_t(rng.Between(1, 99999999)) * 10000 / 3;
    else if (r < 90)
        tenThousandths = int64_t(rng.Between(50, 3000000)) * 100;
    else
        tenThousandths = -int64_t(rng.Between(1, 500000)) * 100;
    if (r < 7 && rng.Percent(30))
        tenThousandths = -tenThousandths;
    return Value(Currency{tenThousandths});
}

Value Remarks(SeededRandom& rng)
{
    const int r = rng.Below(100);
    if (r < 35)
        return Value();
    if (r < 75)
        return Value(Text(rng.Pick(remarks)));
    if (r < 88)
        return Value(Text(rng.Pick(remarks)) + u", receipt R%1-%2"_s.arg(rng.Between(2015, 2026)).arg(rng.Below(100000), 5,
                                                                                                  10, QChar(u'0')));
    if (r < 98) {
        QStringList lines;
        const int count = rng.Between(2, 4);
        for (int i = 0; i < count; ++i)
            lines.append(Text(rng.Pick(remarks)));
        return Value(lines.join(u"\r\n"_s));
    }
    QString longText;
    while (longText.size() < 400)
        longText += Text(rng.Pick(remarks)) + u". "_s;
    return Value(longText.trimmed());
}

void MakeBenchDatabase(const QString& path, int64_t records)
{
    CreateFilledLevyDatabase(path, [records](Database& db) {
        TableDef table(bench::ledgerTable);
        table.AppendField(table.CreateField(bench::payerField, dbText, 50));
        table.AppendField(table.CreateField(bench::postedOnField, dbDate));
        table.AppendField(table.CreateField(bench::termField, dbInteger));
        table.AppendField(table.CreateField(bench::amountField, dbCurrency));
        table.AppendField(table.CreateField(bench::remarksField, dbMemo));
        db.AppendTableDef(table);

        QStringList names;
        for (const FieldDef& f : table.Fields())
            names.append(engine::QuoteName(f.name));
        auto connection = db.MainConnection();
        // One transaction and one prepared statement: a commit per row would take hours.
        connection->Execute(u"BEGIN"_s);
        {
            engine::Statement insert(connection, u"INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?)"_s.arg(
                                                     engine::QuoteName(table.Name()), names.join(u", "_s)));
            SeededRandom rng(19970305);
            for (int64_t i = 0; i < records; ++i) {
                const Value values[] = {Payer(rng), PostedOn(rng), Term(rng), Amount(rng), Remarks(rng)};
                insert.Reset();
                for (int c = 0; c < 5; ++c)
                    insert.BindStorage(c + 1, ToStorage(values[c], table.Fields()[c], table.Name()));
                insert.Step();
            }
        }
        connection->Execute(u"COMMIT"_s);
    });
}

} // namespace
} // namespace levy

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: make_bench_database OUTPUT-FILE [RECORDS]\n", stderr);
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    const long long records = argc == 3 ? std::atoll(argv[2]) : 1000000;
    if (records < 1) {
        std::fputs("make_bench_database: RECORDS must be a positive number\n", stderr);
        return 2;
    }
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "make_bench_database: %s exists already\n", argv[1]);
        return 1;
    }
    // Written under a temporary name, so that an interrupted run never leaves a file that
    // looks complete.
    const QString partial = path + u".partial"_s;
    QFile::remove(partial);
    QElapsedTimer timer;
    timer.start();
    try {
        levy::MakeBenchDatabase(partial, records);
    } catch (const levy::RuntimeError& error) {
        QFile::remove(partial);
        std::fprintf(stderr, "make_bench_database: %s\n", error.description.toLocal8Bit().constData());
        return 1;
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        std::fprintf(stderr, "make_bench_database: cannot move the new database to %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %lld records in \"%s\", written in %.1f s\n", argv[1], records,
                levy::bench::ledgerTable.toUtf8().constData(), double(timer.elapsed()) / 1000.0);
    return 0;
}
