#include "FunctionTesting.h"

#include "support/TestSupport.h"

#include "jet/gate/ReadOnlyAuthorizer.h"
#include "engine/Sqlite.h"
#include "platform/RuntimeError.h"

#include <QLocale>
#include <QStringList>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using levy::engine::Statement;

namespace levy::test {
namespace {
QString Render(const Statement& s, int column)
{
    switch (s.ColumnStorageType(column)) {
    case SQLITE_NULL:
        return u"Null"_s;
    case SQLITE_INTEGER:
        return QString::number(s.ColumnInteger(column));
    case SQLITE_FLOAT: {
        QString text = QString::number(s.ColumnDouble(column), 'g', QLocale::FloatingPointShortest);
        if (!text.contains(u'.') && !text.contains(u'e'))
            text += u".0"_s;
        return text;
    }
    default:
        return u'\'' + s.ColumnText(column) + u'\'';
    }
}
} // namespace

QString RunQuery(const std::shared_ptr<engine::Connection>& connection, const QString& sql)
{
    try {
        auto s = jet::PrepareReadOnlyQuery(connection, sql);
        QStringList records;
        while (s->Step()) {
            QStringList values;
            for (int c = 0; c < s->ColumnCount(); ++c)
                values.append(Render(*s, c));
            records.append(values.join(u'|'));
        }
        return records.join(u';');
    } catch (const RuntimeError& e) {
        return u'!' + e.description;
    }
}

void AddExpressionColumns()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
}

void Row(const char* name, const char* expression, const char* expected)
{
    QTest::newRow(name) << QString::fromUtf8(expression) << QString::fromUtf8(expected);
}

void AggregateRow(const char* name, const char* select, const char* values, const char* expected)
{
    QString inner = QString::fromUtf8(values).trimmed();
    inner = inner.mid(1, inner.size() - 2);
    QStringList selects;
    for (const QString& value : inner.split(u"), ("_s))
        selects.append(u"SELECT %1 AS v"_s.arg(value));
    QTest::newRow(name) << u"%1 FROM (%2)"_s.arg(QString::fromUtf8(select), selects.join(u" UNION ALL "_s))
                        << QString::fromUtf8(expected);
}

FunctionDatabase::FunctionDatabase() : sandbox_(std::make_unique<Sandbox>())
{
    db_ = FreshLevy(*sandbox_);
    db_->MainConnection()->Execute(
        u"INSERT INTO [Levy Account Credits] ([Transaction Date], Amount, [Receipt Number], [Student ID]) VALUES "
        u"('2020-01-31 00:00:00', 0.1, 'R1', 'S1'), ('2020-02-29 14:05:09', 0.2, 'R2', 'S1'), "
        u"('2019-12-31 00:00:00', 1234.5, 'R3', 'S2'), (NULL, NULL, 'R4', 'S2')"_s);
}

FunctionDatabase::~FunctionDatabase()
{
    db_->Close();
    db_.reset();
}

QString FunctionDatabase::Run(const QString& sql) const { return RunQuery(db_->QueryConnection(), sql); }

void FunctionDatabase::Check() const
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    const QString actual = Run(u"SELECT "_s + expression);
    if (expected.startsWith(u'!'))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

} // namespace levy::test
