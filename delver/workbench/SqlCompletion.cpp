#include "SqlCompletion.h"

#include "SqlWords.h"
#include "jet/functions/JetFunctionCatalog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStandardItemModel>
#include <QTextBlock>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int nameRole = Qt::UserRole + 1;  // what is matched and what is written
constexpr int kindRole = Qt::UserRole + 2;
enum Kind { Name, Function, Keyword };

QStandardItem* Item(const QString& name, const QString& shown, Kind kind)
{
    auto* item = new QStandardItem(shown);
    item->setData(name, nameRole);
    item->setData(int(kind), kindRole);
    item->setEditable(false);
    return item;
}

// The completer finds a prefix by halving the list: it must be in its order.
void Fill(QStandardItemModel* model, QList<QStandardItem*> items)
{
    std::stable_sort(items.begin(), items.end(), [](const QStandardItem* a, const QStandardItem* b) {
        return a->data(nameRole).toString().compare(b->data(nameRole).toString(), Qt::CaseInsensitive) < 0;
    });
    model->clear();
    model->invisibleRootItem()->appendRows(items);
}

bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Whether the end of a line's text lies in a quoted text or a comment, where names are
// not written and Enter must stay a line break.
bool InTextOrComment(const QString& line)
{
    QChar quote;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'-' && i + 1 < line.size() && line[i + 1] == u'-') {
            return true;
        } else if (c == u'/' && i + 1 < line.size() && line[i + 1] == u'*') {
            const qsizetype end = line.indexOf(u"*/"_s, i + 2);
            if (end < 0)
                return true;
            i = int(end) + 1;
        }
    }
    return !quote.isNull();
}
} // namespace

SqlCompletion::SqlCompletion(QPlainTextEdit* editor) : QObject(editor), editor_(editor)
{
    everything_ = new QStandardItemModel(this);
    qualified_ = new QStandardItemModel(this);
    scoped_ = new QStandardItemModel(this);
    completer_ = new QCompleter(this);
    completer_->setWidget(editor);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionRole(nameRole);
    completer_->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    completer_->setMaxVisibleItems(12);
    completer_->setWrapAround(false);
    completer_->setModel(everything_);
    completer_->popup()->setObjectName(u"lstCompletion"_s);
    connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) {
                Accept(index.data(nameRole).toString(), index.data(kindRole).toInt());
            });
    SetSchema({});
}

void SqlCompletion::SetSchema(const SchemaListing& listing)
{
    Close();
    listing_ = listing;
    tableByName_.clear();
    scopedTables_.clear();
    QList<QStandardItem*> items;
    QSet<QString> fields;
    for (int t = 0; t < listing.tables.size(); ++t) {
        const ListedTable& table = listing.tables[t];
        tableByName_.insert(table.name.toLower(), t);
        items.append(Item(table.name, table.name + u"  (table)"_s, Name));
        for (const ListedField& field : table.fields)
            if (!fields.contains(field.name.toLower())) {
                fields.insert(field.name.toLower());
                items.append(Item(field.name, field.name + u"  (field)"_s, Name));
            }
    }
    for (const QString& query : listing.queries)
        items.append(Item(query, query + u"  (stored query)"_s, Name));
    for (const jet::JetFunctionInfo& f : jet::JetFunctionTable())
        if (!f.isOperator)
            items.append(Item(f.jetName, jet::ArgumentList(f), Function));
    for (const QString& k : SqlKeywords())
        items.append(Item(k, k, Keyword));
    Fill(everything_, items);
}

bool SqlCompletion::IsOpen() const { return completer_->popup()->isVisible(); }

void SqlCompletion::Close()
{
    if (IsOpen())
        completer_->popup()->hide();
}

SqlCompletion::Word SqlCompletion::WordAtCursor() const
{
    const QTextCursor cursor = editor_->textCursor();
    const QString line = cursor.block().text().left(cursor.positionInBlock());
    const int base = cursor.block().position();
    Word w;
    int start = int(line.size());
    if (line.lastIndexOf(u'[') > line.lastIndexOf(u']')) {
        start = int(line.lastIndexOf(u'['));
        w.bracketed = true;
        w.prefix = line.mid(start + 1);
    } else {
        while (start > 0 && IsNameChar(line[start - 1]))
            --start;
        w.prefix = line.mid(start);
    }
    w.start = base + start;
    if (start > 0 && line[start - 1] == u'.') {
        int end = start - 1;
        if (end > 0 && line[end - 1] == u']') {
            const int open = int(line.lastIndexOf(u'[', end - 1));
            if (open >= 0)
                w.qualifier = line.mid(open + 1, end - 2 - open);
        } else {
            int from = end;
            while (from > 0 && IsNameChar(line[from - 1]))
                --from;
            w.qualifier = line.mid(from, end - from);
        }
    }
    return w;
}

QStandardItemModel* SqlCompletion::FieldsOf(const QString& qualifier)
{
    int table = tableByName_.value(qualifier.toLower(), -1);
    if (table < 0) {
        // An alias: "FROM [Levy Account Credits] AS c", "JOIN Students s".
        static const QRegularExpression alias(
            u"(?:\\bFROM|\\bJOIN|,)\\s*(\\[[^\\]]+\\]|[A-Za-z_]\\w*)\\s+(?:AS\\s+)?([A-Za-z_]\\w*)"_s,
            QRegularExpression::CaseInsensitiveOption);
        const QString text = editor_->document()->toPlainText();
        for (auto m = alias.globalMatch(text); m.hasNext() && table < 0;) {
            const auto match = m.next();
            QString name = match.captured(1);
            if (name.startsWith(u'['))
                name = name.mid(1, name.size() - 2);
            if (match.captured(2).compare(qualifier, Qt::CaseInsensitive) == 0 && !IsSqlKeyword(match.captured(2)))
                table = tableByName_.value(name.toLower(), -1);
        }
    }
    if (table < 0)
        return nullptr;
    QList<QStandardItem*> items;
    for (const ListedField& field : listing_.tables[table].fields)
        items.append(Item(field.name, field.name + u"  "_s + field.type, Name));
    Fill(qualified_, items);
    return qualified_;
}

QList<int> SqlCompletion::TablesNamed() const
{
    static const QRegularExpression named(u"(?:\\bFROM|\\bJOIN|,)\\s*(\\[[^\\]]+\\]|[A-Za-z_]\\w*)"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    QList<int> tables;
    const QString text = editor_->document()->toPlainText();
    for (auto m = named.globalMatch(text); m.hasNext();) {
        QString name = m.next().captured(1);
        if (name.startsWith(u'['))
            name = name.mid(1, name.size() - 2);
        const int table = tableByName_.value(name.toLower(), -1);
        if (table >= 0 && !tables.contains(table))
            tables.append(table);
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

QStandardItemModel* SqlCompletion::Scoped()
{
    const QList<int> tables = TablesNamed();
    if (tables.isEmpty())
        return everything_;
    if (tables == scopedTables_ && scoped_->rowCount() > 0)
        return scoped_;
    scopedTables_ = tables;
    // The fields of the tables the statement names come first, each with its type; the
    // rest follows as ever, without those fields a second time.
    QList<QStandardItem*> first;
    QSet<QString> taken;
    for (int t : tables)
        for (const ListedField& field : listing_.tables[t].fields)
            if (!taken.contains(field.name.toLower())) {
                taken.insert(field.name.toLower());
                first.append(Item(field.name, field.name + u"  "_s + field.type, Name));
            }
    QList<QStandardItem*> rest;
    for (int r = 0; r < everything_->rowCount(); ++r) {
        const QStandardItem* item = everything_->item(r);
        const QString name = item->data(nameRole).toString();
        if (!(taken.contains(name.toLower()) && item->text().endsWith(u"  (field)"_s)))
            rest.append(item->clone());
    }
    Fill(scoped_, first);
    scoped_->invisibleRootItem()->appendRows(rest);
    return scoped_;
}

void SqlCompletion::Update(bool asked)
{
    const Word w = WordAtCursor();
    if (!asked) {
        const QTextCursor cursor = editor_->textCursor();
        if (InTextOrComment(cursor.block().text().left(cursor.positionInBlock()))) {
            Close();
            return;
        }
    }
    QStandardItemModel* model = nullptr;
    if (!w.qualifier.isEmpty())
        model = FieldsOf(w.qualifier);
    else if (asked || w.prefix.size() >= lettersBeforeOpening)
        model = Scoped();
    if (!model) {
        Close();
        return;
    }
    if (completer_->model() != model) {
        completer_->setModel(model);
        // Two runs, each in order, are not one order: the completer then reads them through.
        completer_->setModelSorting(model == scoped_ ? QCompleter::UnsortedModel
                                                     : QCompleter::CaseInsensitivelySortedModel);
    }
    word_ = w;
    completer_->setCompletionPrefix(w.prefix);
    const int count = completer_->completionCount();
    // Nothing to propose, or only what is written already.
    if (count == 0 || (!asked && count == 1 && completer_->currentCompletion().compare(w.prefix, Qt::CaseInsensitive) == 0)) {
        Close();
        return;
    }
    QAbstractItemView* popup = completer_->popup();
    popup->setCurrentIndex(completer_->completionModel()->index(0, 0));
    QRect at = editor_->cursorRect();
    at.setWidth(std::max(popup->sizeHintForColumn(0), 120) + popup->verticalScrollBar()->sizeHint().width() + 8);
    completer_->complete(at);
}

void SqlCompletion::Accept(const QString& name, int kind)
{
    QString text = name;
    if (word_.bracketed)
        text = u'[' + name + u']';
    else if (kind == Name)
        text = SqlName(name);
    else if (kind == Function)
        text = name + u'(';
    QTextCursor cursor = editor_->textCursor();
    const int end = cursor.position();
    if (end < word_.start)
        return;
    cursor.beginEditBlock();
    cursor.setPosition(word_.start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    if (word_.bracketed && editor_->document()->characterAt(end) == u']')
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.endEditBlock();
    editor_->setTextCursor(cursor);
}

} // namespace levy
