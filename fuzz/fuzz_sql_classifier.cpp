// The statement classifier that decides, from the text alone, whether a statement may be
// run at all. It compiles and runs nothing (there is no database here): it must answer
// for any text, with a known query type, and blanks around a statement change nothing.

#include "FuzzSupport.h"

#include "values/DaoConstants.h"
#include "database/QueryDef.h"
#include "jet/syntax/SqlClassifier.h"
#include "jet/syntax/JetTokenizer.h"

using namespace levy;
using namespace Qt::Literals::StringLiterals;
using fuzz::Codes;

namespace {
bool IsQueryType(int type)
{
    switch (type) {
    case dbQSelect:
    case dbQCrosstab:
    case dbQDelete:
    case dbQUpdate:
    case dbQAppend:
    case dbQMakeTable:
    case dbQDDL:
    case dbQSetOperation:
    case dbQAction: return true;
    default: return false;
    }
}

bool IsAction(int type)
{
    return type == dbQDelete || type == dbQUpdate || type == dbQAppend || type == dbQMakeTable || type == dbQDDL ||
           type == dbQAction;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = fuzz::TextOf(data, size);

    const int type = jet::ClassifyStatement(sql);
    LEVY_REQUIRE(IsQueryType(type), "a known query type", QString::number(type));
    LEVY_REQUIRE(IsRunnableQueryType(type) != IsAction(type), "an action query is never runnable",
                 QString::number(type));
    LEVY_REQUIRE(jet::ClassifyStatement(u' ' + sql) == type && jet::ClassifyStatement(sql + u' ') == type &&
                     jet::ClassifyStatement(u"\r\n"_s + sql + u"\r\n"_s) == type,
                 "blanks around a statement keep its type", Codes(sql));

    const bool trailing = jet::HasTextAfterStatement(sql);
    LEVY_REQUIRE(jet::HasTextAfterStatement(u' ' + sql) == trailing && jet::HasTextAfterStatement(sql + u' ') == trailing,
                 "blanks around a statement keep its end", Codes(sql));

    const bool joins = jet::JoinsByColumnName(sql);
    LEVY_REQUIRE(jet::JoinsByColumnName(u' ' + sql) == joins && jet::JoinsByColumnName(sql + u' ') == joins,
                 "blanks around a statement keep its joins", Codes(sql));
    if (joins)
        LEVY_REQUIRE(sql.contains(u"natural"_s, Qt::CaseInsensitive) || sql.contains(u"using"_s, Qt::CaseInsensitive),
                     "a join by column names is written out", Codes(sql));

    qsizetype previous = -1;
    const QList<jet::JetToken> tokens = jet::TokenizeJet(sql);
    LEVY_REQUIRE(!tokens.isEmpty() && tokens.last().kind == jet::JetToken::End, "the tokens end with End", Codes(sql));
    for (const jet::JetToken& t : tokens) {
        if (t.kind == jet::JetToken::End)
            break;
        LEVY_REQUIRE(t.offset > previous && t.EndOffset() <= sql.size(), "tokens in order, inside the text",
                     Codes(sql));
        previous = t.offset;
    }
    return 0;
}
