#include "TableRecordset.h"

#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"
#include "ValueStorage.h"

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {

TableRecordset::TableRecordset(std::shared_ptr<engine::Connection> connection, const QString& table)
    : connection_(std::move(connection)), table_(table)
{
    {
        Statement info(connection_, u"PRAGMA table_info(%1)"_s.arg(QuoteName(table)));
        while (info.Step()) {
            FieldDef f;
            f.name = info.ColumnText(1);
            if (!FieldFromDeclaredType(info.ColumnText(2), f))
                f.type = dbText, f.size = 255;
            fields_.append(f);
        }
    }
    if (fields_.isEmpty())
        RaiseEngine(engine::errNotFound,
                    u"The levy database has no table \"%1\": it may be damaged or not a levy database."_s.arg(table));
    // Keep the real name's letter case, and learn from the file's own rules which text
    // fields take an empty text.
    {
        Statement name(connection_,
                       u"SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"_s);
        name.Bind(1, table);
        if (name.Step()) {
            table_ = name.ColumnText(0);
            const QString sql = name.ColumnText(1);
            for (FieldDef& f : fields_) {
                const QString q = QuoteName(f.name);
                if (f.type == dbMemo)
                    f.allowZeroLength = !sql.contains(u"length(%1) >= 1"_s.arg(q));
                else if (f.type == dbText)
                    f.allowZeroLength = !sql.contains(u"length(%1) BETWEEN 1 AND"_s.arg(q));
            }
        }
    }
    Statement list(connection_, u"PRAGMA index_list(%1)"_s.arg(QuoteName(table_)));
    while (list.Step()) {
        const QString stored = list.ColumnText(1);
        Statement cols(connection_, u"PRAGMA index_info(%1)"_s.arg(QuoteName(stored)));
        if (cols.Step())
            indexFields_.insert(IndexNameFromStored(table_, stored).toLower(), cols.ColumnText(2));
    }
    MoveFirst();
}

std::shared_ptr<engine::Connection> TableRecordset::Live() const
{
    if (closed_ || !connection_->IsOpen())
        RaiseEngine(engine::errObjectClosed, u"The recordset on \"%1\" has been closed."_s.arg(table_));
    return connection_;
}

const FieldDef& TableRecordset::Field(int index) const
{
    if (index < 0 || index >= fields_.size())
        RaiseEngine(3265, u"Item not found in this collection."_s);
    return fields_[index];
}

void TableRecordset::RequireCurrent() const
{
    if (!current_ || currentDeleted_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
}

Value TableRecordset::FieldValue(int index) const
{
    const FieldDef& f = Field(index);
    RequireCurrent();
    Statement s(Live(), u"SELECT %1 FROM %2 WHERE rowid = ?"_s.arg(QuoteName(f.name), QuoteName(table_)));
    s.Bind(1, current_->rowid);
    if (!s.Step())
        RaiseEngine(engine::errNoCurrentRecord, u"The current record has been deleted by another program."_s);
    return FromStorage(s.ColumnStorage(0), f.type);
}

QString TableRecordset::OrderBy(bool descending) const
{
    const QString dir = descending ? u" DESC"_s : QString();
    if (indexField_.isEmpty())
        return u" ORDER BY rowid"_s + dir;
    return u" ORDER BY %1%2, rowid%2"_s.arg(QuoteName(indexField_), dir);
}

std::optional<TableRecordset::Position> TableRecordset::Read(Statement& s) const
{
    if (!s.Step())
        return std::nullopt;
    return Position{s.ColumnInteger(0), indexField_.isEmpty() ? Value() : s.ColumnStorage(1)};
}

std::optional<TableRecordset::Position> TableRecordset::Neighbour(const Position* from, bool forward) const
{
    const QString key = indexField_.isEmpty() ? QString() : u", "_s + QuoteName(indexField_);
    QString where;
    if (from) {
        const QString op = forward ? u">"_s : u"<"_s;
        if (indexField_.isEmpty())
            where = u" WHERE rowid %1 ?1"_s.arg(op);
        else if (from->key.IsNull())
            where = forward ? u" WHERE %1 IS NOT NULL OR (%1 IS NULL AND rowid > ?1)"_s.arg(QuoteName(indexField_))
                            : u" WHERE %1 IS NULL AND rowid < ?1"_s.arg(QuoteName(indexField_));
        else
            where = forward ? u" WHERE %1 > ?2 OR (%1 = ?2 AND rowid > ?1)"_s.arg(QuoteName(indexField_))
                            : u" WHERE %1 < ?2 OR %1 IS NULL OR (%1 = ?2 AND rowid < ?1)"_s.arg(QuoteName(indexField_));
    }
    Statement s(Live(), u"SELECT rowid%1 FROM %2%3%4 LIMIT 1"_s.arg(key, QuoteName(table_), where, OrderBy(!forward)));
    if (from) {
        s.Bind(1, from->rowid);
        if (!indexField_.isEmpty() && !from->key.IsNull())
            s.BindStorage(2, from->key);
    }
    return Read(s);
}

void TableRecordset::SetCurrent(std::optional<Position> p, bool atStartIfNone)
{
    currentDeleted_ = false;
    current_ = p;
    if (p) {
        bof_ = eof_ = false;
    } else if (atStartIfNone) {
        bof_ = true;
    } else {
        eof_ = true;
    }
}

void TableRecordset::MoveFirst()
{
    auto p = Neighbour(nullptr, true);
    SetCurrent(p, true);
    if (!p)
        eof_ = true;
}

void TableRecordset::MoveLast()
{
    auto p = Neighbour(nullptr, false);
    SetCurrent(p, false);
    if (!p)
        bof_ = true;
}

void TableRecordset::MoveNext()
{
    if (eof_ || !current_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    SetCurrent(Neighbour(&*current_, true), false);
}

void TableRecordset::Move(int64_t n)
{
    if (!current_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    for (; n > 0 && current_; --n)
        SetCurrent(Neighbour(&*current_, true), false);
    for (; n < 0 && current_; ++n)
        SetCurrent(Neighbour(&*current_, false), true);
}

int64_t TableRecordset::RecordCount() const
{
    Statement s(Live(), u"SELECT count(*) FROM %1"_s.arg(QuoteName(table_)));
    s.Step();
    return s.ColumnInteger(0);
}

void TableRecordset::SetIndex(const QString& indexName)
{
    Live();
    const auto it = indexFields_.constFind(indexName.toLower());
    if (it == indexFields_.cend())
        RaiseEngine(3800, u"\"%1\" is not an index in table \"%2\"."_s.arg(indexName, table_));
    indexName_ = indexName;
    indexField_ = *it;
    if (current_) {
        Statement s(Live(), u"SELECT %1 FROM %2 WHERE rowid = ?"_s.arg(QuoteName(indexField_), QuoteName(table_)));
        s.Bind(1, current_->rowid);
        if (s.Step())
            current_->key = s.ColumnStorage(0);
    }
}

void TableRecordset::Seek(const QString& comparison, const Value& key)
{
    Live();
    if (indexField_.isEmpty())
        RaiseEngine(3019, u"Operation invalid without a current index."_s);
    if (comparison.trimmed() != u"="_s)
        RaiseEngine(engine::errInvalidOperation, u"Only the comparison \"=\" is supported by Seek."_s);
    const int fieldIndex = FieldIndex(indexField_);
    Value stored;
    try {
        stored = ToStorage(key, fields_[fieldIndex], table_);
    } catch (const RuntimeError&) {
        // A key no row could hold matches nothing.
        noMatch_ = true;
        current_.reset();
        return;
    }
    Statement s(Live(), u"SELECT rowid, %1 FROM %2 WHERE %1 = ?1%3 LIMIT 1"_s.arg(
                            QuoteName(indexField_), QuoteName(table_), OrderBy(false)));
    s.BindStorage(1, stored);
    auto p = Read(s);
    noMatch_ = !p;
    currentDeleted_ = false;
    current_ = p;
    if (p)
        bof_ = eof_ = false;
}

void TableRecordset::AddNew()
{
    Live();
    mode_ = EditMode::AddNew;
    buffer_.clear();
}

void TableRecordset::Edit()
{
    Live();
    RequireCurrent();
    mode_ = EditMode::Edit;
    buffer_.clear();
}

void TableRecordset::SetFieldValue(const QString& name, const Value& value)
{
    if (mode_ == EditMode::None)
        RaiseEngine(engine::errUpdateWithoutEdit, u"Update or CancelUpdate without AddNew or Edit."_s);
    const int index = FieldIndex(name);
    // Refuse a value the field cannot hold now, before anything is written.
    ToStorage(value, fields_[index], table_);
    for (auto& entry : buffer_)
        if (entry.first == index) {
            entry.second = value;
            return;
        }
    buffer_.append({index, value});
}

void TableRecordset::RaiseWriteError(const RuntimeError& error) const
{
    // The file's own rules are named after their field.
    const QString prefix = u"CHECK constraint failed: "_s;
    if (error.description.startsWith(prefix)) {
        const QString field = error.description.mid(prefix.size());
        for (const auto& entry : buffer_)
            if (fields_[entry.first].name == field)
                RaiseEngine(engine::errInvalidValue, DescribeRefusedValue(entry.second, fields_[entry.first], table_));
        RaiseEngine(engine::errInvalidValue,
                    u"The record was refused: the field \"%1.%2\" does not accept its value."_s.arg(table_, field));
    }
    throw error;
}

void TableRecordset::Update()
{
    auto connection = Live();
    if (mode_ == EditMode::None)
        RaiseEngine(engine::errUpdateWithoutEdit, u"Update or CancelUpdate without AddNew or Edit."_s);
    QList<Value> values;
    QStringList names;
    for (const auto& entry : buffer_) {
        names.append(QuoteName(fields_[entry.first].name));
        values.append(ToStorage(entry.second, fields_[entry.first], table_));
    }
    try {
        if (mode_ == EditMode::AddNew) {
            QString sql;
            if (names.isEmpty())
                sql = u"INSERT INTO %1 DEFAULT VALUES"_s.arg(QuoteName(table_));
            else {
                QStringList marks;
                for (int i = 0; i < names.size(); ++i)
                    marks.append(u"?"_s);
                sql = u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(QuoteName(table_), names.join(u", "_s), marks.join(u", "_s));
            }
            Statement s(connection, sql);
            for (int i = 0; i < values.size(); ++i)
                s.BindStorage(i + 1, values[i]);
            s.Step();
        } else {
            RequireCurrent();
            if (!names.isEmpty()) {
                QStringList sets;
                for (const QString& n : names)
                    sets.append(n + u" = ?"_s);
                Statement s(connection, u"UPDATE %1 SET %2 WHERE rowid = ?"_s.arg(QuoteName(table_), sets.join(u", "_s)));
                for (int i = 0; i < values.size(); ++i)
                    s.BindStorage(i + 1, values[i]);
                s.Bind(int(values.size()) + 1, current_->rowid);
                s.Step();
                if (sqlite3_changes(connection->Handle()) == 0)
                    RaiseEngine(engine::errNoCurrentRecord, u"The current record has been deleted by another program."_s);
                if (!indexField_.isEmpty())
                    SetIndex(indexName_);
            }
        }
    } catch (const RuntimeError& error) {
        RaiseWriteError(error);
    }
    mode_ = EditMode::None;
    buffer_.clear();
}

void TableRecordset::CancelUpdate()
{
    mode_ = EditMode::None;
    buffer_.clear();
}

void TableRecordset::Delete()
{
    auto connection = Live();
    RequireCurrent();
    Statement s(connection, u"DELETE FROM %1 WHERE rowid = ?"_s.arg(QuoteName(table_)));
    s.Bind(1, current_->rowid);
    s.Step();
    currentDeleted_ = true;
}

void TableRecordset::Close()
{
    closed_ = true;
    current_.reset();
}

} // namespace levy
