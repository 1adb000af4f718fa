#include "jet/functions/JetFunctions.h"

#include "jet/functions/JetFunctionCatalog.h"
#include "jet/functions/aggregates/JetAggregates.h"
#include "jet/functions/choice/JetChoiceFunctions.h"
#include "jet/functions/conversion/JetConversionFunctions.h"
#include "jet/functions/dates/JetDateFunctions.h"
#include "jet/functions/finance/JetFinanceFunctions.h"
#include "jet/functions/formatting/JetFormatFunctions.h"
#include "jet/functions/numbers/JetNumberFunctions.h"
#include "jet/functions/shared/JetCall.h"
#include "jet/functions/text/JetTextFunctions.h"
#include "engine/Sqlite.h"

#include <new>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
using jet::Call;
using jet::JetCallWriting;
using jet::JetFunctionInfo;
using Kind = jet::JetResultKind;

struct Definition {
    JetFunctionInfo info;
    jet::ScalarFunction scalar = nullptr;
    jet::StepFunction step = nullptr;
    jet::FinalFunction final = nullptr;
    bool deterministic = true;

    // The engine's own function the translator writes instead, where it means the same.
    Definition& Native(const char16_t* name)
    {
        info.native = QString::fromUtf16(name);
        return *this;
    }
    Definition& Writes(JetCallWriting writing)
    {
        info.writing = writing;
        return *this;
    }
};

JetFunctionInfo Info(const QString& jetName, const QString& sqlName, int minArgs, int maxArgs, Kind kind,
                     int argument)
{
    JetFunctionInfo info;
    info.jetName = jetName;
    info.sqlName = sqlName;
    info.minArgs = minArgs;
    info.maxArgs = maxArgs;
    info.result = kind;
    info.argument = argument;
    return info;
}

Definition Scalar(const char16_t* name, int minArgs, int maxArgs, Kind kind, jet::ScalarFunction f, int argument = -1)
{
    const QString jetName = QString::fromUtf16(name);
    return Definition{Info(jetName, u"jet_"_s + jetName.toLower(), minArgs, maxArgs, kind, argument), f};
}

Definition Operator(const char16_t* name, const char16_t* sqlName, Kind kind, jet::ScalarFunction f)
{
    Definition d{Info(QString::fromUtf16(name), QString::fromUtf16(sqlName), 2, 2, kind, -1), f};
    d.info.isOperator = true;
    return d;
}

Definition Aggregate(const char16_t* name, int minArgs, Kind kind, jet::StepFunction step, jet::FinalFunction final,
                     int argument = -1)
{
    const QString jetName = QString::fromUtf16(name);
    Definition d{Info(jetName, u"jet_"_s + jetName.toLower(), minArgs, 1, kind, argument), nullptr, step, final};
    d.info.aggregate = true;
    return d;
}

Definition Clock(const char16_t* name, jet::ScalarFunction f, Kind kind = Kind::Date)
{
    Definition d = Scalar(name, 0, 0, kind, f);
    d.deterministic = false;
    return d;
}

Definition Random(const char16_t* name, jet::ScalarFunction f)
{
    Definition d = Scalar(name, 0, 1, Kind::Double, f);
    d.deterministic = false;
    return d;
}

const QList<Definition>& Definitions()
{
    static const QList<Definition> all = {
        Scalar(u"IIf", 3, 3, Kind::CommonOfArguments, jet::IIf, 1).Writes(JetCallWriting::Case),
        Scalar(u"Nz", 1, 2, Kind::CommonOfArguments, jet::Nz, 0),
        Scalar(u"Switch", 2, -1, Kind::CommonOfArguments, jet::Switch, 1).Writes(JetCallWriting::Case),
        Scalar(u"Choose", 2, -1, Kind::CommonOfArguments, jet::Choose, 1),
        Scalar(u"IsNull", 1, 1, Kind::Boolean, jet::IsNullFunction).Writes(JetCallWriting::IsNullTest),
        Scalar(u"IsNumeric", 1, 1, Kind::Boolean, jet::IsNumeric),
        Scalar(u"IsDate", 1, 1, Kind::Boolean, jet::IsDate),
        Scalar(u"IsEmpty", 1, 1, Kind::Boolean, jet::IsEmpty),
        Scalar(u"IsError", 1, 1, Kind::Boolean, jet::IsError),
        Scalar(u"TypeName", 1, 1, Kind::Text, jet::TypeName),
        Scalar(u"VarType", 1, 1, Kind::Integer, jet::VarType),

        Scalar(u"Year", 1, 1, Kind::Long, jet::Year),
        Scalar(u"Month", 1, 1, Kind::Long, jet::Month),
        Scalar(u"Day", 1, 1, Kind::Long, jet::Day),
        Scalar(u"Weekday", 1, 2, Kind::Long, jet::Weekday),
        Scalar(u"Hour", 1, 1, Kind::Long, jet::Hour),
        Scalar(u"Minute", 1, 1, Kind::Long, jet::Minute),
        Scalar(u"Second", 1, 1, Kind::Long, jet::Second),
        Scalar(u"DatePart", 2, 4, Kind::Long, jet::DatePart),
        Scalar(u"DateSerial", 3, 3, Kind::Date, jet::DateSerial),
        Scalar(u"DateAdd", 3, 3, Kind::Date, jet::DateAdd),
        Scalar(u"DateDiff", 3, 5, Kind::Long, jet::DateDiff),
        Clock(u"Now", jet::NowFunction),
        Clock(u"Date", jet::DateFunction),
        Clock(u"Time", jet::TimeFunction),
        Scalar(u"CDate", 1, 1, Kind::Date, jet::CDate),
        Scalar(u"DateValue", 1, 1, Kind::Date, jet::DateValue),
        Scalar(u"TimeValue", 1, 1, Kind::Date, jet::TimeValue),
        Scalar(u"WeekdayName", 1, 3, Kind::Text, jet::WeekdayName),
        Scalar(u"MonthName", 1, 2, Kind::Text, jet::MonthName),
        Scalar(u"TimeSerial", 3, 3, Kind::Date, jet::TimeSerial),
        Clock(u"Timer", jet::Timer, Kind::Double),

        Scalar(u"Left", 2, 2, Kind::Text, jet::Left),
        Scalar(u"Right", 2, 2, Kind::Text, jet::Right),
        Scalar(u"Mid", 2, 3, Kind::Text, jet::Mid),
        Scalar(u"Len", 1, 1, Kind::Long, jet::Len),
        Scalar(u"InStr", 2, 4, Kind::Long, jet::InStr),
        Scalar(u"UCase", 1, 1, Kind::Text, jet::UCase),
        Scalar(u"LCase", 1, 1, Kind::Text, jet::LCase),
        Scalar(u"Trim", 1, 1, Kind::Text, jet::Trim).Native(u"trim"),
        Scalar(u"LTrim", 1, 1, Kind::Text, jet::LTrim).Native(u"ltrim"),
        Scalar(u"RTrim", 1, 1, Kind::Text, jet::RTrim).Native(u"rtrim"),
        Scalar(u"Space", 1, 1, Kind::Text, jet::Space),
        Scalar(u"String", 2, 2, Kind::Text, jet::String),
        Scalar(u"Replace", 3, 6, Kind::Text, jet::Replace),
        Scalar(u"Str", 1, 1, Kind::Text, jet::Str),
        Scalar(u"CStr", 1, 1, Kind::Text, jet::CStr),
        Scalar(u"Format", 1, 4, Kind::Text, jet::Format),
        Scalar(u"InStrRev", 2, 4, Kind::Long, jet::InStrRev),
        Scalar(u"StrComp", 2, 3, Kind::Integer, jet::StrComp),
        Scalar(u"StrReverse", 1, 1, Kind::Text, jet::StrReverse),
        Scalar(u"Asc", 1, 1, Kind::Integer, jet::Asc),
        Scalar(u"AscW", 1, 1, Kind::Integer, jet::AscW),
        Scalar(u"Chr", 1, 1, Kind::Text, jet::Chr),
        Scalar(u"ChrW", 1, 1, Kind::Text, jet::ChrW),
        Scalar(u"StrConv", 2, 3, Kind::Text, jet::StrConv),
        Scalar(u"FormatNumber", 1, 5, Kind::Text, jet::FormatNumber),
        Scalar(u"FormatCurrency", 1, 5, Kind::Text, jet::FormatCurrency),
        Scalar(u"FormatPercent", 1, 5, Kind::Text, jet::FormatPercent),
        Scalar(u"FormatDateTime", 1, 2, Kind::Text, jet::FormatDateTime),

        Scalar(u"Val", 1, 1, Kind::Double, jet::Val),
        Scalar(u"CInt", 1, 1, Kind::Integer, jet::CInt),
        Scalar(u"CLng", 1, 1, Kind::Long, jet::CLng),
        Scalar(u"CCur", 1, 1, Kind::Currency, jet::CCur),
        Scalar(u"CDbl", 1, 1, Kind::Double, jet::CDbl),
        Scalar(u"CBool", 1, 1, Kind::Boolean, jet::CBool),
        Scalar(u"CByte", 1, 1, Kind::Integer, jet::CByte),
        Scalar(u"CSng", 1, 1, Kind::Double, jet::CSng),
        Scalar(u"CDec", 1, 1, Kind::SameAsArgument, jet::CDec, 0),
        Scalar(u"CVar", 1, 1, Kind::SameAsArgument, jet::CVar, 0),
        Scalar(u"CVDate", 1, 1, Kind::Date, jet::CVDate),
        Scalar(u"Int", 1, 1, Kind::SameAsArgument, jet::Int, 0),
        Scalar(u"Fix", 1, 1, Kind::SameAsArgument, jet::Fix, 0),
        Scalar(u"Round", 1, 2, Kind::SameAsArgument, jet::Round, 0),
        Scalar(u"Abs", 1, 1, Kind::SameAsArgument, jet::Abs, 0).Native(u"abs"),
        Scalar(u"Sgn", 1, 1, Kind::Long, jet::Sgn),
        Scalar(u"Sqr", 1, 1, Kind::Double, jet::Sqr),
        Scalar(u"Atn", 1, 1, Kind::Double, jet::Atn),
        Scalar(u"Cos", 1, 1, Kind::Double, jet::Cos),
        Scalar(u"Sin", 1, 1, Kind::Double, jet::Sin),
        Scalar(u"Tan", 1, 1, Kind::Double, jet::Tan),
        Scalar(u"Exp", 1, 1, Kind::Double, jet::Exp),
        Scalar(u"Log", 1, 1, Kind::Double, jet::Log),
        Random(u"Rnd", jet::Rnd),
        Scalar(u"Hex", 1, 1, Kind::Text, jet::Hex),
        Scalar(u"Oct", 1, 1, Kind::Text, jet::Oct),
        Scalar(u"Partition", 4, 4, Kind::Text, jet::Partition),

        Scalar(u"Pmt", 3, 5, Kind::Double, jet::Pmt),
        Scalar(u"IPmt", 4, 6, Kind::Double, jet::IPmt),
        Scalar(u"PPmt", 4, 6, Kind::Double, jet::PPmt),
        Scalar(u"FV", 3, 5, Kind::Double, jet::FV),
        Scalar(u"PV", 3, 5, Kind::Double, jet::PV),
        Scalar(u"NPer", 3, 5, Kind::Double, jet::NPer),
        Scalar(u"Rate", 3, 6, Kind::Double, jet::Rate),
        Scalar(u"DDB", 4, 5, Kind::Double, jet::DDB),
        Scalar(u"SLN", 3, 3, Kind::Double, jet::SLN),
        Scalar(u"SYD", 4, 4, Kind::Double, jet::SYD),

        Operator(u"&", u"jet_concat", Kind::Text, jet::Concat),
        Operator(u"+", u"jet_add", Kind::Variant, jet::Add),
        Operator(u"-", u"jet_sub", Kind::Variant, jet::Subtract),
        Operator(u"/", u"jet_div", Kind::Double, jet::Divide),
        Operator(u"\\", u"jet_intdiv", Kind::Long, jet::IntegerDivide),
        Operator(u"Mod", u"jet_mod", Kind::Long, jet::Mod),
        Operator(u"^", u"jet_pow", Kind::Double, jet::Power),
        Operator(u"Like", u"jet_like", Kind::Boolean, jet::Like),
        Operator(u"Compare", u"jet_compare", Kind::Long, jet::Compare),

        Aggregate(u"Sum", 1, Kind::SameAsArgument, jet::SumStep, jet::SumFinal, 0).Native(u"sum"),
        Aggregate(u"Avg", 1, Kind::SameAsArgument, jet::SumStep, jet::AvgFinal, 0).Native(u"avg"),
        // Count(*) arrives without an argument.
        Aggregate(u"Count", 0, Kind::Long, jet::CountStep, jet::CountFinal).Native(u"count"),
        Aggregate(u"Min", 1, Kind::SameAsArgument, jet::MinStep, jet::HeldFinal, 0).Native(u"min"),
        Aggregate(u"Max", 1, Kind::SameAsArgument, jet::MaxStep, jet::HeldFinal, 0).Native(u"max"),
        Aggregate(u"First", 1, Kind::SameAsArgument, jet::FirstStep, jet::HeldFinal, 0),
        Aggregate(u"Last", 1, Kind::SameAsArgument, jet::LastStep, jet::HeldFinal, 0),
        Aggregate(u"StDev", 1, Kind::Double, jet::SpreadStep, jet::StDevFinal),
        Aggregate(u"StDevP", 1, Kind::Double, jet::SpreadStep, jet::StDevPFinal),
        Aggregate(u"Var", 1, Kind::Double, jet::SpreadStep, jet::VarFinal),
        Aggregate(u"VarP", 1, Kind::Double, jet::SpreadStep, jet::VarPFinal),
    };
    return all;
}

const Definition& DefinitionOf(sqlite3_context* ctx) { return *static_cast<const Definition*>(sqlite3_user_data(ctx)); }

void ReportFailure(sqlite3_context* ctx, const jet::Failure& failure)
{
    const JetFunctionInfo& info = DefinitionOf(ctx).info;
    const QString where = info.isOperator ? (info.jetName == u"Compare"_s ? u"a comparison"_s
                                                                          : u"the %1 operator"_s.arg(info.jetName))
                                          : info.jetName + u"()"_s;
    QString text = jet::FaultText(failure.fault) + u" in "_s + where;
    text += failure.detail.isEmpty() ? u"."_s : u": "_s + failure.detail;
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

// The engine calls C functions: nothing may be thrown through it.
template <class F>
void Guarded(sqlite3_context* ctx, F body)
{
    try {
        body();
    } catch (const jet::Failure& failure) {
        ReportFailure(ctx, failure);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    } catch (...) {
        const QByteArray text = (u"The function "_s + DefinitionOf(ctx).info.jetName + u" failed."_s).toUtf8();
        sqlite3_result_error(ctx, text.constData(), int(text.size()));
    }
}

void ScalarEntry(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    Guarded(ctx, [&] { DefinitionOf(ctx).scalar(Call{ctx, argc, argv}); });
}

void StepEntry(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    Guarded(ctx, [&] { DefinitionOf(ctx).step(Call{ctx, argc, argv}); });
}

void FinalEntry(sqlite3_context* ctx)
{
    Guarded(ctx, [&] { DefinitionOf(ctx).final(ctx); });
}
} // namespace

void RegisterJetFunctions(sqlite3* db)
{
    for (const Definition& d : Definitions()) {
        const QByteArray name = d.info.sqlName.toUtf8();
        const int flags = SQLITE_UTF8 | (d.deterministic ? SQLITE_DETERMINISTIC : 0);
        void* self = const_cast<Definition*>(&d);
        auto add = [&](int argc) {
            if (d.info.aggregate)
                sqlite3_create_function_v2(db, name.constData(), argc, flags, self, nullptr, StepEntry, FinalEntry,
                                           nullptr);
            else
                sqlite3_create_function_v2(db, name.constData(), argc, flags, self, ScalarEntry, nullptr, nullptr,
                                           nullptr);
        };
        // Each count of arguments on its own, so that a wrong count fails when the
        // statement is prepared; functions with any number take them all at once.
        if (d.info.maxArgs < 0)
            add(-1);
        else
            for (int n = d.info.minArgs; n <= d.info.maxArgs; ++n)
                add(n);
    }
}

} // namespace levy

namespace levy::jet {

const QList<JetFunctionInfo>& JetFunctionTable()
{
    static const QList<JetFunctionInfo> table = [] {
        QList<JetFunctionInfo> infos;
        for (const Definition& d : Definitions())
            infos.append(d.info);
        return infos;
    }();
    return table;
}

const JetFunctionInfo* FindJetFunction(const QString& jetName)
{
    for (const JetFunctionInfo& info : JetFunctionTable())
        if (info.jetName.compare(jetName, Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

} // namespace levy::jet
