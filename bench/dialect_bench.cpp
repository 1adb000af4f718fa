// Times the dialect's Format, DateDiff and Partition over every record of a large table
// beside the same columns written with the engine's own functions (strftime, julianday
// arithmetic, a CASE expression), in one run, alternating, on one file.
// Usage: dialect_bench [RECORDS] (1,000,000 when left out). Build it optimised
// (CMAKE_BUILD_TYPE=Release): the engine is always built -O2, the project's code only there.

#include "database/QueryRows.h"
#include "engine/Sqlite.h"
#include "engine/SqliteHandle.h"
#include "jet/JetQuery.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString dialectSql = u"SELECT Format(d, 'dd/mm/yyyy'), DateDiff('d', d, #2030-01-01#), "
                           u"Partition(n, 0, 999, 50) FROM t"_s;
const QString engineSql =
    u"SELECT strftime('%d/%m/%Y', d), CAST(julianday('2030-01-01') - julianday(date(d)) AS INTEGER), "
    u"CASE WHEN n < 0 THEN '    :  -1' WHEN n > 999 THEN '1000:    ' "
    u"ELSE printf('%4d:%4d', n / 50 * 50, min(n / 50 * 50 + 49, 999)) END FROM t"_s;

// Reads every value of every record as text, as a result is shown; returns the records.
int64_t ReadAll(engine::Statement& s, std::vector<std::string>* firstRows = nullptr)
{
    int64_t records = 0;
    sqlite3_stmt* h = s.Handle();
    while (s.Step()) {
        std::string row;
        for (int c = 0; c < 3; ++c) {
            const unsigned char* text = sqlite3_column_text(h, c);
            if (firstRows && firstRows->size() < 2000)
                row += std::string(text ? reinterpret_cast<const char*>(text) : "NULL") + '|';
        }
        if (firstRows && firstRows->size() < 2000)
            firstRows->push_back(row);
        ++records;
    }
    s.Reset();
    return records;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    try {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"dialect.db"_s);
        {
            auto writer = engine::Connection::Open(path, false, true, "bench", engine::Connection::Cipher::Current);
            writer->Execute(u"CREATE TABLE t (d DATETIME, n INTEGER)"_s);
            writer->Execute(u"INSERT INTO t WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                            u"WHERE x < %1) SELECT datetime('2000-01-01', '+' || (x * 7919 % 9000) || ' days', '+' "
                            u"|| (x % 86400) || ' seconds'), x % 1200 - 100 FROM c"_s.arg(records));
        }
        auto connection = engine::Connection::Open(path, true, false, "bench", engine::Connection::Cipher::Current);
        ArmQueryConnection(connection);
        jet::PreparedJetQuery dialect = jet::PrepareJetQuery(connection, jet::ReadUserStatement(dialectSql));
        engine::Statement native(connection, engineSql);

        // Both give the same texts.
        std::vector<std::string> a, b;
        ReadAll(*dialect.statement, &a);
        ReadAll(native, &b);
        if (a != b) {
            std::fprintf(stderr, "dialect_bench: the two queries differ: %s against %s\n", a[0].c_str(),
                         b[0].c_str());
            return 1;
        }

        std::vector<double> dialectMs, engineMs;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer t;
            t.start();
            ReadAll(*dialect.statement);
            dialectMs.push_back(t.nsecsElapsed() / 1e6);
            t.restart();
            ReadAll(native);
            engineMs.push_back(t.nsecsElapsed() / 1e6);
        }
        const double d = Median(dialectMs), e = Median(engineMs);
        std::printf("records                 %ld\n", records);
        std::printf("dialect (Format, DateDiff, Partition)   %8.0f ms\n", d);
        std::printf("engine (strftime, julianday, CASE)      %8.0f ms\n", e);
        std::printf("ratio                                   %8.2f\n", d / e);
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "dialect_bench: %s\n", qPrintable(error.description));
        return 1;
    }
    return 0;
}
