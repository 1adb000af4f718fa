#pragma once

// What the tests of the dialect's functions share: a levy database with a few credits,
// and rows of an expression with the value it must give.

#include <QString>
#include <memory>

namespace levy {
class Database;
namespace engine {
class Connection;
}
} // namespace levy

namespace levy::test {

class Sandbox;

// Every record, values joined by |, records by ;, each written as the test tables write
// it: Null, 5 (integer), 2.5 or 2.0 (double), 'text'. A failure reads "!" and its text.
QString RunQuery(const std::shared_ptr<engine::Connection>& connection, const QString& sql);

// The columns "expression" (what follows SELECT) and "expected".
void AddExpressionColumns();
void Row(const char* name, const char* expression, const char* expected);
// An aggregate `select` over a column v of `values`, written "(1), (NULL)", in this order.
void AggregateRow(const char* name, const char* select, const char* values, const char* expected);

// A fresh levy database whose credits hold four records (one all Null), for one test.
class FunctionDatabase {
public:
    FunctionDatabase();
    ~FunctionDatabase();
    FunctionDatabase(const FunctionDatabase&) = delete;
    FunctionDatabase& operator=(const FunctionDatabase&) = delete;

    Database& Db() { return *db_; }
    QString Run(const QString& sql) const;
    // Checks the current row: its expression gives the expected value, or fails with a
    // text that begins as the expected one after its "!".
    void Check() const;

private:
    std::unique_ptr<Sandbox> sandbox_;
    std::shared_ptr<Database> db_;
};

} // namespace levy::test
