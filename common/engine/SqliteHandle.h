#pragma once

#include "values/Value.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace levy::engine {

// One open SQLite connection. Closing it finalizes every statement still prepared on
// it; statements check IsOpen() before they touch their handle again.
class Connection {
public:
    // How an enciphered file is laid out. The levy file keeps the settings every other
    // levy program reads (SQLCipher 3's); a private file of ours may use the engine's own.
    enum class Cipher { LevyFile, Current };
    static std::shared_ptr<Connection> Open(const QString& path, bool readOnly, bool create,
                                            const QByteArray& key, Cipher cipher = Cipher::LevyFile);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* Handle() const;
    bool IsOpen() const { return db_ != nullptr; }
    const QString& Path() const { return path_; }
    void Close();

    // Runs statements that return no rows.
    void Execute(const QString& sql);
    QString LastErrorText() const;

private:
    Connection() = default;
    sqlite3* db_ = nullptr;
    QString path_;
};

// A prepared statement that belongs to a connection.
class Statement {
public:
    Statement(std::shared_ptr<Connection> connection, const QString& sql);
    // Prepares the first statement of a text; `rest` is what follows it.
    static std::unique_ptr<Statement> PrepareFirst(std::shared_ptr<Connection> connection, const QString& sql,
                                                   QString& rest);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds by 1-based position.
    void Bind(int position, const QString& text);
    void Bind(int position, int64_t number);
    void Bind(int position, double number);
    void BindNull(int position);
    void BindStorage(int position, const Value& storageValue);

    // True while a row is available.
    bool Step();
    void Reset();

    int ColumnCount() const;
    QString ColumnName(int column) const;
    QString ColumnDeclType(int column) const;
    bool ColumnIsNull(int column) const;
    int ColumnStorageType(int column) const;
    QString ColumnText(int column) const;
    int64_t ColumnInteger(int column) const;
    double ColumnDouble(int column) const;
    // The column's value as stored: Null, integer, double or text.
    Value ColumnStorage(int column) const;

    sqlite3_stmt* Handle() const;
    const std::shared_ptr<Connection>& Owner() const { return connection_; }

private:
    Statement(std::shared_ptr<Connection> connection, sqlite3_stmt* prepared);
    std::shared_ptr<Connection> connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Quotes a name for SQL: "name" with inner quotes doubled.
QString QuoteName(const QString& name);
// Quotes a text as an SQL literal.
QString QuoteText(const QString& text);

// Raises the engine's error for a failed SQLite call, with a clear description. When an
// authorizer refused something and noted why, that description is the error's.
[[noreturn]] void RaiseSqlite(sqlite3* db, int code, const QString& path);

// What an authorizer refused, as a description a user can act on; the first refusal
// since the last take counts. Taken and forgotten by the next failure, per thread.
void NoteAuthorizerRefusal(const QString& description);
QString TakeAuthorizerRefusal();

} // namespace levy::engine
