#include "SqlWords.h"

#include "jet/functions/JetFunctionCatalog.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QSet<QString>& KeywordSet()
{
    static const QSet<QString> set(SqlKeywords().begin(), SqlKeywords().end());
    return set;
}
} // namespace

const QStringList& SqlKeywords()
{
    static const QStringList words =
        u"SELECT FROM WHERE AND OR NOT IN IS NULL LIKE BETWEEN ORDER BY GROUP HAVING AS ON JOIN INNER LEFT RIGHT "
        u"OUTER CROSS UNION ALL DISTINCT DISTINCTROW TOP PERCENT ASC DESC TRANSFORM PIVOT WITH CASE WHEN THEN ELSE "
        u"END EXISTS INTERSECT EXCEPT LIMIT OFFSET PARAMETERS MOD TRUE FALSE YES NO OFF INSERT UPDATE DELETE INTO "
        u"VALUES SET"_s.split(u' ');
    return words;
}

bool IsSqlKeyword(const QString& word) { return KeywordSet().contains(word.toUpper()); }

QString SqlName(const QString& name)
{
    bool plain = !name.isEmpty() && (name[0].isLetter() || name[0] == u'_');
    for (const QChar c : name)
        plain = plain && (c.isLetterOrNumber() || c == u'_') && c.unicode() < 128;
    // A function's name ("Date", "Year") would be read as a call, a keyword as syntax.
    if (plain && !IsSqlKeyword(name) && !jet::FindJetFunction(name))
        return name;
    return u'[' + name + u']';
}

} // namespace levy
