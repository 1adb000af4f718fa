#include "jet/translation/JetTranslatorImpl.h"

#include "jet/syntax/JetTokenizer.h"
#include "engine/EngineErrors.h"
#include "engine/QueryDefences.h"
#include "values/DaoConstants.h"

#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace translation {
namespace {
// The canonical spelling of an aggregate, for the dialect's column names (SumOfAmount).
QString AggregateName(const QString& name)
{
    static const QStringList names = {u"Sum"_s, u"Avg"_s,   u"Count"_s,  u"Min"_s, u"Max"_s, u"First"_s,
                                      u"Last"_s, u"StDev"_s, u"StDevP"_s, u"Var"_s, u"VarP"_s};
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

// The name of result column `i` (from 0): its alias, the column's own name, the
// dialect's SumOfAmount for an aggregate of a column, or Expr1000 and on.
QString ResultName(const ResultColumn& rc, qsizetype i)
{
    if (rc.hasAlias)
        return rc.alias;
    const Expr& x = *rc.expr;
    if (x.kind == Expr::Column)
        return x.text;
    if (x.kind == Expr::Function && x.args.size() == 1 && x.args[0]->kind == Expr::Column &&
        !AggregateName(x.text).isEmpty())
        return AggregateName(x.text) + u"Of"_s + x.args[0]->text;
    return u"Expr%1"_s.arg(1000 + i);
}

// Scope for one select: makes it current and restores the enclosing one afterwards.
class EnterScope {
public:
    EnterScope(Scope*& current, Scope& scope) : current_(current), saved_(current) { current_ = &scope; }
    ~EnterScope() { current_ = saved_; }
    EnterScope(const EnterScope&) = delete;
    EnterScope& operator=(const EnterScope&) = delete;

private:
    Scope*& current_;
    Scope* saved_;
};
} // namespace

QString CoreParts::Sql(const QString& extraWhere, const QString& extraHaving) const
{
    QString sql = head + from;
    const auto both = [](const QString& a, const QString& b) {
        if (a.isEmpty())
            return b;
        if (b.isEmpty())
            return a;
        return u'(' + a + u") AND ("_s + b + u')';
    };
    if (const QString w = both(where, extraWhere); !w.isEmpty())
        sql += u" WHERE "_s + w;
    if (!groupBy.isEmpty())
        sql += u" GROUP BY "_s + groupBy;
    if (const QString h = both(having, extraHaving); !h.isEmpty())
        sql += u" HAVING "_s + h;
    return sql;
}

QString CoreParts::OrderBy() const
{
    QStringList terms;
    for (const OrderKey& k : order)
        terms.append(k.order + (k.descending ? u" DESC"_s : QString()));
    return terms.isEmpty() ? QString() : u" ORDER BY "_s + terms.join(u", "_s);
}

QString Translator::TranslateSource(const Source& s, Scope& scope)
{
    switch (s.kind) {
    case Source::Table: return TranslateTable(s, scope);
    case Source::Subquery: {
        const SelectOut sub = TranslateSelect(*s.select, scope.parent);
        ScopeSource entry;
        entry.name = s.alias;
        entry.columns = sub.columns;
        entry.known = sub.known;
        scope.sources.append(entry);
        QString sql = u'(' + sub.sql + u')';
        if (!s.alias.isEmpty())
            sql += u" AS "_s + Ident(s.alias);
        return sql;
    }
    case Source::Join: break;
    }
    return TranslateJoin(s, scope);
}

QString Translator::TranslateTable(const Source& s, Scope& scope)
{
    ScopeSource entry;
    entry.name = s.alias.isEmpty() ? s.name : s.alias;
    bool found = false;
    if (s.schema.isEmpty())
        for (qsizetype i = commonTables_.size() - 1; i >= 0 && !found; --i)
            if (const auto it = commonTables_[i].constFind(s.name.toLower()); it != commonTables_[i].constEnd()) {
                entry.columns = it->columns;
                entry.known = it->known;
                found = true;
            }
    if (!found)
        if (const std::optional<SchemaTable> table = schema_.Table(s.schema, s.name)) {
            entry.columns = table->columns;
            entry.known = true;
            entry.isTable = table->isTable;
        }
    scope.sources.append(entry);
    QString sql = Ident(s.name);
    if (!s.schema.isEmpty())
        sql = Ident(s.schema) + u'.' + sql;
    if (!s.alias.isEmpty())
        sql += u" AS "_s + Ident(s.alias);
    if (!s.indexedBy.isEmpty())
        sql += u" INDEXED BY "_s + Ident(s.indexedBy);
    if (s.notIndexed)
        sql += u" NOT INDEXED"_s;
    return sql;
}

QString Translator::TranslateJoin(const Source& s, Scope& scope)
{
    QString left = TranslateSource(*s.left, scope);
    QString right = TranslateSource(*s.right, scope);
    if (s.left->kind == Source::Join && !s.left->parenthesized && s.joinType == u"RIGHT"_s)
        left = u'(' + left + u')';
    if (s.right->kind == Source::Join && !s.right->parenthesized)
        right = u'(' + right + u')';
    QString sql;
    if (s.joinType == u","_s) {
        sql = left + u", "_s + right;
    } else {
        QString type = s.joinType == u"JOIN"_s ? u"INNER"_s : s.joinType;
        if (type == u"RIGHT"_s) {
            // The engine has no RIGHT JOIN: the same join with its sides swapped.
            std::swap(left, right);
            type = u"LEFT"_s;
            scope.swappedJoin = true;
        }
        sql = left + (s.natural ? u" NATURAL "_s : u" "_s) + type + u" JOIN "_s + right;
        if (s.on)
            sql += u" ON "_s + Condition(s.on);
        if (!s.usingColumns.isEmpty()) {
            QStringList names;
            for (const QString& c : s.usingColumns)
                names.append(Ident(c));
            sql += u" USING ("_s + names.join(u", "_s) + u')';
        }
    }
    if (s.parenthesized)
        sql = u'(' + sql + u')';
    return sql;
}

CoreParts Translator::TranslateCore(const SelectCore& core, const QList<OrderTerm>* order, Scope* parent,
                                    const Transform* transform)
{
    CoreParts parts;
    Scope scope;
    scope.parent = parent;
    EnterScope enter(scope_, scope);
    if (core.from)
        parts.from = u" FROM "_s + TranslateSource(*core.from, scope);
    const SelectList list = TranslateResultColumns(core, scope, parts);
    if (core.where)
        parts.where = Condition(core.where);
    QStringList groups;
    for (const ExprPtr& g : core.groupBy)
        groups.append(g->kind == Expr::Integer ? g->text : Sorted(Value(g)).sql);
    if (core.having)
        parts.having = Condition(core.having);
    if (groups.isEmpty())
        groups = DistinctRowGroups(core, scope);
    parts.groupBy = groups.join(u", "_s);
    parts.distinct = core.distinct;
    parts.head = (core.distinct ? u"SELECT DISTINCT "_s : u"SELECT "_s) + list.sql.join(u", "_s);
    if (order)
        for (const OrderTerm& term : *order)
            parts.order.append(TranslateOrderTerm(core, term, list));
    if (transform)
        TranslatePivot(*transform, scope, parts);
    parts.aggregate = scope.aggregate;
    return parts;
}

SelectList Translator::TranslateResultColumns(const SelectCore& core, Scope& scope, CoreParts& parts)
{
    SelectList list;
    scope.inSelectList = true;
    // A column named again is its whole expression again, so each use of an earlier name
    // can double the text: a few hundred characters can grow past any memory. The growth
    // is stopped where the engine would refuse the text anyway; the largest text built on
    // the way is twice that.
    constexpr qsizetype mostExpanded = qsizetype(engine::maxStatementCharacters) * 8;
    qsizetype expanded = 0;
    for (qsizetype i = 0; i < core.columns.size(); ++i) {
        const ResultColumn& rc = core.columns[i];
        if (rc.star) {
            list.sql.append(ExpandStar(rc, scope, parts));
            if (!core.from)
                parts.known = false;
            list.pieces.append(Piece{});
            list.names.append(QString());
            continue;
        }
        const Piece p = Value(rc.expr);
        const QString name = ResultName(rc, i);
        const bool plain = p.column && !rc.hasAlias && rc.expr->kind == Expr::Column;
        list.sql.append(plain ? p.sql : Wrap(p, precOr) + u" AS "_s + Ident(name));
        expanded += list.sql.last().size();
        if (expanded > mostExpanded)
            engine::RaiseEngine(engine::errSyntax,
                                u"The statement grows too long when its column names are expanded (past %1 characters "
                                u"at the column %2, %3). Write out the expressions of the earlier columns it names "
                                u"instead."_s.arg(QLocale(QLocale::English).toString(mostExpanded), name,
                                                  DescribePlace(sql_, rc.offset)));
        list.pieces.append(p);
        list.names.append(name);
        parts.columns.append(SchemaColumn{name, p.type == typeNull ? typeUnknown : p.type, p.noCase});
        scope.earlier.append({name, p});
    }
    scope.inSelectList = false;
    return list;
}

QString Translator::ExpandStar(const ResultColumn& rc, Scope& scope, CoreParts& parts)
{
    bool matched = false;
    QStringList expanded;
    for (int s = 0; s < scope.sources.size(); ++s) {
        const ScopeSource& source = scope.sources[s];
        if (!rc.starQualifier.isEmpty() && source.name.compare(rc.starQualifier, Qt::CaseInsensitive) != 0)
            continue;
        matched = true;
        scope.usedSources.insert(s);
        parts.columns.append(source.columns);
        parts.known = parts.known && source.known;
        expanded.append(source.name.isEmpty() ? QString() : Ident(source.name) + u".*"_s);
    }
    if (!rc.starQualifier.isEmpty()) {
        if (!matched)
            parts.known = false;
        return Ident(rc.starQualifier) + u".*"_s;
    }
    // A swapped RIGHT JOIN keeps the columns in the order the statement gave.
    if (scope.swappedJoin && !expanded.contains(QString()))
        return expanded.join(u", "_s);
    return u"*"_s;
}

QStringList Translator::DistinctRowGroups(const SelectCore& core, const Scope& scope) const
{
    // DISTINCTROW: distinct records of the tables the result reads, where a join also
    // holds tables it does not read; otherwise the same as ALL.
    if (!core.distinctRow || core.distinct || scope.aggregate || scope.sources.size() <= 1 ||
        scope.usedSources.isEmpty() || scope.usedSources.size() >= scope.sources.size())
        return {};
    QStringList rowIds;
    for (int s : std::as_const(scope.usedSources)) {
        const ScopeSource& source = scope.sources[s];
        if (!source.isTable || source.name.isEmpty())
            return {};
        rowIds.append(Ident(source.name) + u".rowid"_s);
    }
    rowIds.sort();
    return rowIds;
}

OrderKey Translator::TranslateOrderTerm(const SelectCore& core, const OrderTerm& term, const SelectList& list)
{
    OrderKey key;
    key.descending = term.descending;
    const Expr& x = *term.expr;
    Piece p;
    bool ordinal = false;
    if (x.kind == Expr::Integer) {
        const int k = x.text.toInt();
        if (k < 1 || k > list.pieces.size() || core.columns[k - 1].star) {
            key.order = key.expression = x.text;
            return key;
        }
        p = list.pieces[k - 1];
        ordinal = true;
    } else {
        // A name of a result column, which the engine reads so too.
        qsizetype named = -1;
        if (x.kind == Expr::Column && x.qualifier.isEmpty())
            for (qsizetype i = 0; i < list.names.size() && named < 0; ++i)
                if (!core.columns[i].star && list.names[i].compare(x.text, Qt::CaseInsensitive) == 0)
                    named = i;
        if (named >= 0 && !(list.pieces[named].column && core.columns[named].expr->kind == Expr::Column &&
                            core.columns[named].expr->text.compare(x.text, Qt::CaseInsensitive) == 0)) {
            p = list.pieces[named];
            ordinal = true;
        } else {
            p = Value(term.expr);
        }
    }
    // A result column named or counted: ORDER BY keeps the name or number unless
    // the order needs a collation; the key repeats the column's expression.
    const Piece sorted = Sorted(p);
    key.expression = Wrap(sorted, precOr);
    if (ordinal && !(sorted.collated && !p.collated))
        key.order = x.kind == Expr::Integer ? x.text : Ident(x.text);
    else
        key.order = key.expression;
    return key;
}

void Translator::TranslatePivot(const Transform& transform, Scope& scope, CoreParts& parts)
{
    pivotScope_ = &scope;
    const Piece cell = Value(transform.value);
    pivotScope_ = nullptr;
    parts.cell = cell.sql;
    parts.cellType = cell.type == typeNull ? typeUnknown : cell.type;
    parts.pivot = Value(transform.pivot);
    if (!cell.sql.contains(pivotMark))
        Fail(u"Syntax error in TRANSFORM statement. The value after TRANSFORM must be an aggregate such as "
             u"Sum(Amount) or Count(*)."_s,
             transform.offset);
}

QString Translator::TranslateTop(const SelectCore& core, const CoreParts& parts)
{
    const QString base = parts.Sql();
    const QString n = core.top->text;
    const bool whole = core.top->kind == Expr::Integer;
    if (!core.topPercent && !whole)
        Fail(u"TOP must be followed by a whole number, for example SELECT TOP 10 ..."_s, core.top->offset);
    if (!core.topPercent && n.toLongLong() == 0)
        return base + parts.OrderBy() + u" LIMIT 0"_s;
    // How many records TOP n PERCENT keeps: n percent of the result, rounded up.
    const QString percentCount =
        u"(SELECT CAST(c * %1 / 100.0 AS INTEGER) + (c * %1 / 100.0 > CAST(c * %1 / 100.0 AS INTEGER)) "
        u"FROM (SELECT count(*) AS c FROM (%2)))"_s.arg(n, base);
    const QString limit = core.topPercent ? percentCount : n;
    if (parts.order.isEmpty())
        return base + u" LIMIT "_s + limit;
    // With ORDER BY, the records tied with the last one kept come too, as the dialect
    // does it: every record whose keys do not sort after that record's keys.
    const QString offset = core.topPercent ? u'(' + percentCount + u" - 1)"_s : QString::number(n.toLongLong() - 1);
    QStringList keys;
    for (const OrderKey& k : parts.order)
        keys.append(k.expression + (k.descending ? u" DESC"_s : QString()));
    auto cutOf = [&](qsizetype i) -> QString {
        if (parts.distinct) {
            QStringList derivedKeys, outerKeys;
            for (qsizetype j = 0; j < parts.order.size(); ++j) {
                derivedKeys.append(parts.order[j].expression + u" AS `_k%1`"_s.arg(j));
                outerKeys.append(u"`_k%1`"_s.arg(j) + (parts.order[j].descending ? u" DESC"_s : QString()));
            }
            CoreParts derived = parts;
            derived.head += u", "_s + derivedKeys.join(u", "_s);
            const QString what = i < 0 ? u"1"_s : u"`_k%1`"_s.arg(i);
            return u"SELECT %1 FROM (%2) ORDER BY %3 LIMIT 1 OFFSET %4"_s.arg(what, derived.Sql(),
                                                                           outerKeys.join(u", "_s), offset);
        }
        CoreParts cut = parts;
        cut.head = u"SELECT "_s + (i < 0 ? u"1"_s : parts.order[i].expression);
        return cut.Sql() + u" ORDER BY "_s + keys.join(u", "_s) + u" LIMIT 1 OFFSET "_s + offset;
    };
    QString condition;
    for (qsizetype i = parts.order.size() - 1; i >= 0; --i) {
        const QString k = u'(' + parts.order[i].expression + u')';
        const QString c = u'(' + cutOf(i) + u')';
        const QString before = parts.order[i].descending
                                   ? u"(%1 > %2 OR (%2 IS NULL AND %1 IS NOT NULL))"_s.arg(k, c)
                                   : u"(%1 < %2 OR (%1 IS NULL AND %2 IS NOT NULL))"_s.arg(k, c);
        const QString same = u"%1 IS %2"_s.arg(k, c);
        condition = condition.isEmpty() ? u"(%1 OR %2)"_s.arg(before, same)
                                        : u"(%1 OR (%2 AND %3))"_s.arg(before, same, condition);
    }
    condition = u"(NOT EXISTS (%1) OR %2)"_s.arg(cutOf(-1), condition);
    const bool grouped = !parts.groupBy.isEmpty() || parts.aggregate;
    return (grouped ? parts.Sql({}, condition) : parts.Sql(condition)) + parts.OrderBy();
}

SelectOut Translator::TranslateSingle(const SelectCore& core, const QList<OrderTerm>& order, Scope* parent)
{
    SelectOut out;
    if (core.nested) {
        out = TranslateSelect(*core.nested, parent);
        if (!order.isEmpty()) {
            // ORDER BY after a parenthesised select orders its result.
            QStringList terms;
            for (const OrderTerm& t : order) {
                const Expr& x = *t.expr;
                terms.append((x.kind == Expr::Column || x.kind == Expr::Integer ? (x.kind == Expr::Column
                                                                                       ? Ident(x.text)
                                                                                       : x.text)
                                                                                 : Value(t.expr).sql) +
                             (t.descending ? u" DESC"_s : QString()));
            }
            out.sql = u"SELECT * FROM ("_s + out.sql + u") ORDER BY "_s + terms.join(u", "_s);
        }
        return out;
    }
    if (core.isValues) {
        QStringList rows;
        for (const QList<ExprPtr>& row : core.values) {
            QStringList values;
            for (const ExprPtr& v : row)
                values.append(Value(v).sql);
            rows.append(u'(' + values.join(u", "_s) + u')');
        }
        out.sql = u"VALUES "_s + rows.join(u", "_s);
        out.known = false;
        return out;
    }
    const CoreParts parts = TranslateCore(core, &order, parent);
    out.columns = parts.columns;
    out.known = parts.known;
    out.sql = core.top ? TranslateTop(core, parts) : parts.Sql() + parts.OrderBy();
    return out;
}

QString Translator::TranslateMember(const SelectCore& core, Scope* parent, SelectOut& out)
{
    // A member of a union that has its own TOP or ORDER BY runs as a subquery.
    const SelectOut member = TranslateSingle(core, {}, parent);
    out.columns = member.columns;
    out.known = member.known;
    const bool own = core.top || (core.nested && (!core.nested->orderBy.isEmpty() || core.nested->limit ||
                                                  (core.nested->cores.size() == 1 && core.nested->cores[0].top)));
    return own || core.nested ? u"SELECT * FROM ("_s + member.sql + u')' : member.sql;
}

QString Translator::TranslateWith(const SelectStatement& s, Scope* parent)
{
    if (s.with.isEmpty())
        return {};
    QStringList tables;
    for (const CommonTable& cte : s.with) {
        // Known by name while its own body is read, for a recursive one.
        commonTables_.last().insert(cte.name.toLower(), CommonTableInfo{});
        const SelectOut body = TranslateSelect(*cte.select, parent);
        CommonTableInfo info{body.columns, body.known};
        if (!cte.columns.isEmpty()) {
            info.columns.clear();
            for (qsizetype i = 0; i < cte.columns.size(); ++i)
                info.columns.append(
                    SchemaColumn{cte.columns[i], i < body.columns.size() ? body.columns[i].type : typeUnknown,
                                 i < body.columns.size() && body.columns[i].noCase});
            info.known = true;
        }
        commonTables_.last().insert(cte.name.toLower(), info);
        QString head = Ident(cte.name);
        if (!cte.columns.isEmpty()) {
            QStringList names;
            for (const QString& c : cte.columns)
                names.append(Ident(c));
            head += u'(' + names.join(u", "_s) + u')';
        }
        tables.append(head + u" AS ("_s + body.sql + u')');
    }
    return (s.recursive ? u"WITH RECURSIVE "_s : u"WITH "_s) + tables.join(u", "_s) + u' ';
}

SelectOut Translator::TranslateSelect(const SelectStatement& s, Scope* parent)
{
    commonTables_.append(QHash<QString, CommonTableInfo>());
    SelectOut out;
    const QString with = TranslateWith(s, parent);
    if (s.cores.size() == 1) {
        out = TranslateSingle(s.cores[0], s.orderBy, parent);
    } else {
        QStringList members;
        for (qsizetype i = 0; i < s.cores.size(); ++i) {
            SelectOut member;
            const QString sql = TranslateMember(s.cores[i], parent, member);
            if (i == 0) {
                out.columns = member.columns;
                out.known = member.known;
            }
            members.append(sql);
            if (i > 0)
                members[i] = s.operators[i - 1] + u' ' + members[i];
        }
        out.sql = members.join(u' ');
        // A union is ordered by its result columns, named or counted.
        QStringList terms;
        for (const OrderTerm& t : s.orderBy) {
            const Expr& x = *t.expr;
            QString term;
            int type = typeUnknown;
            bool noCase = false;
            if (x.kind == Expr::Integer) {
                term = x.text;
            } else if (x.kind == Expr::Column) {
                term = Ident(x.text);
                for (const SchemaColumn& c : out.columns)
                    if (c.name.compare(x.text, Qt::CaseInsensitive) == 0) {
                        type = c.type;
                        noCase = c.noCase;
                    }
                if (IsText(type) && !noCase) {
                    Reading(readingCase);
                    term += u" COLLATE NOCASE"_s;
                }
            } else {
                term = Value(t.expr).sql;
            }
            terms.append(term + (t.descending ? u" DESC"_s : QString()));
        }
        if (!terms.isEmpty())
            out.sql += u" ORDER BY "_s + terms.join(u", "_s);
    }
    if (s.limit) {
        out.sql += u" LIMIT "_s + Value(s.limit).sql;
        if (s.limitOffset)
            out.sql += u" OFFSET "_s + Value(s.limitOffset).sql;
    }
    out.sql = with + out.sql;
    commonTables_.removeLast();
    return out;
}

namespace {
QList<levy::Value> InListValues(const Transform& tr, const QString& sql)
{
    QList<levy::Value> values;
    for (const ExprPtr& item : tr.pivotIn) {
        const Expr* x = item.get();
        bool negative = false;
        if (x->kind == Expr::Unary && x->text == u"-"_s) {
            negative = true;
            x = x->args[0].get();
        }
        levy::Value v;
        bool ok = true;
        switch (x->kind) {
        case Expr::Null: break;
        case Expr::Integer: v = levy::Value(int64_t(negative ? -x->text.toLongLong(&ok) : x->text.toLongLong(&ok)));
            break;
        case Expr::Real: v = levy::Value(negative ? -x->text.toDouble(&ok) : x->text.toDouble(&ok)); break;
        case Expr::Boolean: v = levy::Value(int64_t(x->text.toInt())); break;
        case Expr::Text:
        case Expr::Date: v = levy::Value(x->text); break;
        default: ok = false; break;
        }
        if (!ok || (negative && x->kind != Expr::Integer && x->kind != Expr::Real))
            engine::RaiseEngine(engine::errSyntax,
                                u"Syntax error in TRANSFORM statement. The list after PIVOT ... IN may hold only "
                                u"values: texts, numbers and dates. The fault is at %1."_s.arg(
                                    DescribePlace(sql, item->offset)));
        values.append(v);
    }
    return values;
}
} // namespace

void Translator::TranslateCrosstab(TranslatedQuery& out)
{
    const Transform& tr = *query_.transform;
    const SelectStatement& s = *query_.select;
    const SelectCore& core = s.cores[0];
    if (core.top || core.nested)
        Fail(u"Syntax error in TRANSFORM statement. A crosstab query cannot use TOP."_s, core.offset);
    commonTables_.append(QHash<QString, CommonTableInfo>());
    const QString with = TranslateWith(s, nullptr);
    CoreParts parts = TranslateCore(core, &s.orderBy, nullptr, &tr);
    commonTables_.removeLast();
    CrosstabPlan plan;
    plan.rowHeadings = with + parts.head;
    plan.body = parts.Sql().mid(parts.head.size());
    if (!parts.order.isEmpty()) {
        plan.order = parts.OrderBy();
    } else {
        // Rows come in the order of their headings.
        plan.order = u" ORDER BY "_s + parts.groupBy;
    }
    plan.cellParts = parts.cell.split(pivotMark);
    plan.pivot = parts.pivot.sql;
    plan.pivotType = parts.pivot.type == typeNull ? typeUnknown : parts.pivot.type;
    plan.pivotNoCase = !NumericOrNull(parts.pivot.type) && parts.pivot.type != dbDate;
    plan.cellType = parts.cellType;
    for (const SchemaColumn& c : parts.columns)
        plan.rowHeadingTypes.append(c.type);
    if (!parts.known)
        plan.rowHeadingTypes.clear();
    plan.hasIn = tr.hasIn;
    if (tr.hasIn) {
        plan.inValues = InListValues(tr, sql_);
    } else {
        CoreParts values = parts;
        values.head = with + u"SELECT DISTINCT "_s + Wrap(parts.pivot, precCollate) +
                      (plan.pivotNoCase ? u" COLLATE NOCASE"_s : QString());
        values.groupBy.clear();
        values.having.clear();
        plan.valuesSql = values.Sql() + u" ORDER BY 1"_s;
    }
    out.crosstab = plan;
}

TranslatedQuery Translator::Translate()
{
    TranslatedQuery out;
    // A declaration the dialect cannot read is refused before anything else.
    AskedParameters();
    if (query_.transform) {
        TranslateCrosstab(out);
    } else {
        const SelectOut select = TranslateSelect(*query_.select, nullptr);
        out.sql = select.sql;
        if (select.known)
            for (const SchemaColumn& c : select.columns)
                out.columnTypes.append(c.type);
    }
    out.dialectReadings = QStringList(readings_.begin(), readings_.end());
    out.dialectReadings.sort();
    out.parameters = AskedParameters();
    for (const JetParameter& p : bound_)
        out.boundNames.append(p.name);
    return out;
}
} // namespace translation

TranslatedQuery TranslateJetQuery(const Query& query, const QString& sql, const JetSchema& schema)
{
    translation::Translator translator(query, sql, schema);
    return translator.Translate();
}

} // namespace levy::jet
