// Writes the sample levy database delivered beside Steward: a year of a school's levy
// office, drawn from a fixed seed so that every build delivers the same data.

#include "SeededRandom.h"
#include "SampleData.h"

#include "levy/Encryption.h"
#include "database/DBEngine.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "database/QueryDef.h"
#include "platform/RuntimeError.h"
#include "platform/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {

QString Text(const char16_t* s) { return QString::fromUtf16(s); }
Currency Cents(int64_t cents) { return Currency{cents * 100}; }
QString AmountText(int64_t cents)
{
    return u"%1.%2"_s.arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}
bool Earlier(const DateTime& a, const DateTime& b)
{
    return a.date < b.date || (a.date == b.date && a.time < b.time);
}

struct Term {
    QDate opening;
    QDate closing;
};

const Term terms[] = {
    {QDate(2026, 1, 13), QDate(2026, 4, 10)},
    {QDate(2026, 5, 5), QDate(2026, 8, 7)},
    {QDate(2026, 9, 8), QDate(2026, 12, 4)},
};
const QDate examinationDate(2026, 5, 18);
const QDate fieldTripDate(2026, 6, 1);

// A weekday from first to last.
QDate SchoolDay(SeededRandom& rng, QDate first, QDate last)
{
    QList<QDate> days;
    for (QDate d = first; d <= last; d = d.addDays(1))
        if (d.dayOfWeek() <= 5)
            days.append(d);
    return days.isEmpty() ? first : days[rng.Below(days.size())];
}

// Office hours, when receipts are written. Draws are kept out of shared argument lists
// throughout: the order in which a call's arguments are evaluated is unspecified.
DateTime OfficeTime(SeededRandom& rng, QDate day)
{
    const int hour = rng.Between(8, 15);
    const int minute = rng.Below(60);
    return DateTime{day, QTime(hour, minute)};
}

enum class Payer { Prompt, Instalments, Overpayer, Partial, Defaulter };

struct Student {
    QString id;
    QString surname;
    QString firstNames;
    QString sex;
    int form = 1;
    QString className;
    QString guardianTitle;
    QString guardianSurname;
    QString guardianInitials;
    Value guardianAddress;
    Value guardianTelephone;
    bool boarder = false;
    bool music = false;
    bool computing = false;
    Payer payer = Payer::Prompt;
    std::optional<QDate> deregistered;
    int64_t cautionBalance = 0;
};

struct LevyDebit {
    DateTime when;
    int64_t cents;
    int feeCode;
    QString studentId;
};

struct Credit {
    DateTime when;
    int64_t cents;
    QString studentId;
    bool caution;
    QString receipt;
};

struct CautionDebit {
    DateTime when;
    QString reason;
    int64_t cents;
    QString prefix;
    QString studentId;
    QString reference;
};

struct Sample {
    std::vector<Student> students;
    std::vector<LevyDebit> levyDebits;
    std::vector<Credit> credits;
    std::vector<CautionDebit> cautionDebits;
};

QString GuardianInitials(SeededRandom& rng)
{
    QString text = Text(rng.Pick(sample::Initials())) + u'.';
    if (rng.Percent(45))
        text += Text(rng.Pick(sample::Initials())) + u'.';
    if (rng.Percent(8))
        text += Text(rng.Pick(sample::Initials())) + u'.';
    return text;
}

// Mostly a street address over several lines; some post-box and farm addresses; some
// guardians never gave one.
Value GuardianAddress(SeededRandom& rng)
{
    const int kind = rng.Below(100);
    if (kind < 11)
        return Value();
    QString postcode = Text(sample::postcodeArea) + QString::number(rng.Between(1, 9)) + u' ';
    postcode += QString::number(rng.Between(1, 9));
    postcode += QChar(sample::postcodeLetters[rng.Below(20)]);
    postcode += QChar(sample::postcodeLetters[rng.Below(20)]);
    const QString town = Text(sample::town);
    QStringList lines;
    if (kind < 20) {
        lines.append(u"P.O. Box %1, %2"_s.arg(rng.Between(100, 4999)).arg(town));
    } else if (kind < 28) {
        lines = {Text(rng.Pick(sample::HouseNames())), Text(rng.Pick(sample::Streets())), town, postcode};
    } else {
        const int houseNumber = rng.Between(1, 180);
        const QString street = u"%1 %2"_s.arg(houseNumber).arg(Text(rng.Pick(sample::Streets())));
        if (rng.Percent(12))
            lines.append(u"Flat %1"_s.arg(rng.Between(1, 24)));
        lines.append(street);
        if (rng.Percent(70))
            lines.append(Text(rng.Pick(sample::Suburbs())));
        lines.append(town);
        if (rng.Percent(85))
            lines.append(postcode);
    }
    return Value(lines.join(u"\r\n"_s));
}

// Numbers from the ranges set aside for fiction, so that none of them rings anyone.
Value GuardianTelephone(SeededRandom& rng)
{
    const int kind = rng.Below(100);
    if (kind < 5)
        return Value();
    if (kind < 70)
        return Value(u"01632 960%1"_s.arg(rng.Below(1000), 3, 10, QChar(u'0')));
    return Value(u"07700 900%1"_s.arg(rng.Below(1000), 3, 10, QChar(u'0')));
}

Payer PickPayer(SeededRandom& rng)
{
    const int r = rng.Below(100);
    if (r < 42)
        return Payer::Prompt;
    if (r < 62)
        return Payer::Instalments;
    if (r < 74)
        return Payer::Overpayer;
    if (r < 91)
        return Payer::Partial;
    return Payer::Defaulter;
}

void MakeStudents(SeededRandom& rng, Sample& data)
{
    // Enrolment order: the oldest form first, so Student IDs rise with the intake year.
    const int perForm[] = {82, 81, 81, 81};
    int number = 0;
    for (int form = 4; form >= 1; --form) {
        const int count = perForm[4 - form];
        int inStream[3] = {};
        for (int n = 0; n < count; ++n) {
            Student s;
            s.id = u"AHS%1"_s.arg(++number, 4, 10, QChar(u'0'));
            s.form = form;
            // Streams are kept about the same size.
            int stream = rng.Below(3);
            while (inStream[stream] >= (count + 2) / 3)
                stream = (stream + 1) % 3;
            ++inStream[stream];
            s.className = u"%1%2"_s.arg(form).arg(QChar(u'A' + stream));
            const bool boy = rng.Percent(50);
            s.sex = boy ? u"M"_s : u"F"_s;
            const auto names = boy ? sample::BoysNames() : sample::GirlsNames();
            s.firstNames = Text(rng.Pick(names));
            if (rng.Percent(55)) {
                const QString second = Text(rng.Pick(names));
                if (second != s.firstNames)
                    s.firstNames += u' ' + second;
            }
            if (!data.students.empty() && rng.Percent(10)) {
                // A brother or sister already at the school: the same family and guardian.
                const Student& sibling = data.students[size_t(rng.Below(qsizetype(data.students.size())))];
                s.surname = sibling.surname;
                s.guardianTitle = sibling.guardianTitle;
                s.guardianSurname = sibling.guardianSurname;
                s.guardianInitials = sibling.guardianInitials;
                s.guardianAddress = sibling.guardianAddress;
                s.guardianTelephone = sibling.guardianTelephone;
            } else {
                s.surname = Text(rng.Pick(sample::Surnames()));
                const int who = rng.Below(100);
                s.guardianTitle = who < 52 ? u"Mrs."_s
                                  : who < 60 ? u"Ms."_s
                                  : who < 90 ? u"Mr."_s
                                  : who < 95 ? u"Dr."_s
                                  : who < 97 ? u"Rev."_s
                                             : u"Miss"_s;
                s.guardianSurname = rng.Percent(88) ? s.surname : Text(rng.Pick(sample::Surnames()));
                s.guardianInitials = GuardianInitials(rng);
                s.guardianAddress = GuardianAddress(rng);
                s.guardianTelephone = GuardianTelephone(rng);
            }
            s.boarder = rng.Percent(18);
            s.music = rng.Percent(15);
            s.computing = form >= 3 && rng.Percent(50);
            s.payer = PickPayer(rng);
            data.students.push_back(s);
        }
    }

    // Those who left during the year, each well after the term began.
    int left = 0;
    while (left < 25) {
        Student& s = data.students[size_t(rng.Below(qsizetype(data.students.size())))];
        if (s.deregistered)
            continue;
        const Term& term = terms[rng.Below(3)];
        s.deregistered = SchoolDay(rng, term.opening.addDays(10), term.closing);
        ++left;
    }
}

void Pay(Sample& data, const Student& s, int64_t cents, DateTime when)
{
    if (cents > 0)
        data.credits.push_back({when, cents, s.id, false, {}});
}

void MakeLevyAccount(SeededRandom& rng, Sample& data, const Student& s)
{
    int64_t balance = 0;
    for (const Term& term : terms) {
        if (s.deregistered && *s.deregistered < term.opening)
            break;
        const QDate last = s.deregistered && *s.deregistered < term.closing ? *s.deregistered : term.closing;
        const bool first = &term == &terms[0];
        const bool second = &term == &terms[1];

        QList<std::pair<int, int64_t>> fees = {
            {sample::feeTuition, s.form <= 2 ? sample::tuitionLowerFormsCents : sample::tuitionUpperFormsCents},
            {sample::feeSportsLevy, sample::sportsLevyCents},
            {sample::feeLibrary, sample::libraryCents},
        };
        if (first)
            fees.append({sample::feeDevelopmentLevy, sample::developmentLevyCents});
        if (s.form >= 3)
            fees.append({sample::feeScienceLaboratory, sample::scienceLaboratoryCents});
        if (s.computing)
            fees.append({sample::feeComputerStudies, sample::computerStudiesCents});
        if (s.music)
            fees.append({sample::feeMusicTuition, sample::musicTuitionCents});
        if (s.boarder)
            fees.append({sample::feeBoarding, sample::boardingCents});
        int64_t total = 0;
        for (const auto& [code, cents] : fees) {
            data.levyDebits.push_back({DateTime{term.opening}, cents, code, s.id});
            total += cents;
        }
        if (second && s.form == 4 && examinationDate <= last) {
            data.levyDebits.push_back(
                {DateTime{examinationDate}, sample::examinationCents, sample::feeExamination, s.id});
            total += sample::examinationCents;
        }
        if (second && s.form == 2 && fieldTripDate <= last && rng.Percent(70)) {
            data.levyDebits.push_back({DateTime{fieldTripDate}, sample::fieldTripCents, sample::feeFieldTrip, s.id});
            total += sample::fieldTripCents;
        }
        balance -= total;

        const QDate early = std::min(term.opening.addDays(20), last);
        int64_t paid = 0;
        auto pay = [&](int64_t cents, QDate day) {
            Pay(data, s, cents, OfficeTime(rng, day));
            paid += cents;
        };
        switch (s.payer) {
        case Payer::Prompt:
            pay(total, SchoolDay(rng, term.opening, early));
            break;
        case Payer::Instalments: {
            const int parts = rng.Between(2, 3);
            const int64_t part = total / parts / 5000 * 5000;
            const int64_t span = term.opening.daysTo(last) / parts;
            for (int i = 0; i < parts; ++i) {
                const QDate from = term.opening.addDays(span * i);
                pay(i + 1 < parts ? part : total - part * (parts - 1), SchoolDay(rng, from, from.addDays(span)));
            }
            break;
        }
        case Payer::Overpayer: {
            const int64_t rounded = (total + 9999) / 10000 * 10000 + 5000 * rng.Below(5);
            pay(rounded, SchoolDay(rng, term.opening, early));
            break;
        }
        case Payer::Partial: {
            const int64_t owed = total * rng.Between(50, 90) / 100 / 1000 * 1000;
            if (rng.Percent(50)) {
                pay(owed, SchoolDay(rng, term.opening, early));
            } else {
                const int64_t half = owed / 2 / 1000 * 1000;
                pay(half, SchoolDay(rng, term.opening, early));
                pay(owed - half, SchoolDay(rng, early, last));
            }
            break;
        }
        case Payer::Defaulter:
            if (rng.Percent(40)) {
                const int64_t token = rng.Between(5, 30) * int64_t{1000};
                pay(token, SchoolDay(rng, term.opening, last));
            }
            break;
        }
        balance += paid;
    }
    // Most families settle up when a child leaves.
    if (s.deregistered && balance < 0 && rng.Percent(60))
        Pay(data, s, -balance, OfficeTime(rng, *s.deregistered));
}

void MakeCautionDeposits(SeededRandom& rng, Sample& data)
{
    for (Student& s : data.students) {
        const int year = 2027 - s.form;
        const QDate start = year == 2026 ? terms[0].opening : QDate(year, 1, 12);
        const QDate day = SchoolDay(rng, start, QDate(year, 2, 13));
        auto deposit = [&](int64_t cents, QDate on) {
            data.credits.push_back({OfficeTime(rng, on), cents, s.id, true, {}});
            s.cautionBalance += cents;
        };
        const int kind = rng.Below(100);
        if (kind < 86 || (kind >= 94 && s.form > 1)) {
            deposit(sample::cautionDepositCents, day);
        } else if (kind < 94) {
            deposit(sample::cautionDepositCents / 2, day);
            const QDate later = SchoolDay(rng, day.addDays(30), day.addDays(90));
            if (!s.deregistered || later <= *s.deregistered)
                deposit(sample::cautionDepositCents / 2, later);
        } else if (kind < 97) {
            // A new pupil who has paid half so far.
            deposit(sample::cautionDepositCents / 2, day);
        }
    }
}

void Charge(SeededRandom& rng, Sample& data, const sample::ChargeInfo& charge)
{
    for (;;) {
        Student& s = data.students[size_t(rng.Below(qsizetype(data.students.size())))];
        const Term& term = terms[rng.Below(3)];
        const QDate day = SchoolDay(rng, term.opening.addDays(7), term.closing);
        if (s.deregistered && day >= *s.deregistered)
            continue;
        const int64_t cents =
            rng.Between(int(charge.lowCents / 50), int(charge.highCents / 50)) * int64_t{50};
        data.cautionDebits.push_back(
            {DateTime{day}, Text(charge.reason), cents, Text(charge.referencePrefix), s.id, {}});
        s.cautionBalance -= cents;
        return;
    }
}

void MakeCautionCharges(SeededRandom& rng, Sample& data)
{
    for (const auto& heavy : sample::HeavyCautionCharges())
        Charge(rng, data, heavy);
    const auto charges = sample::CautionCharges();
    int totalWeight = 0;
    for (const auto& c : charges)
        totalWeight += c.weight;
    for (int n = 0; n < 80; ++n) {
        int draw = rng.Below(totalWeight);
        size_t i = 0;
        while (draw >= charges[i].weight)
            draw -= charges[i++].weight;
        Charge(rng, data, charges[i]);
    }
    // What is left of a leaver's deposit goes back to the family.
    for (Student& s : data.students)
        if (s.deregistered && s.cautionBalance > 0) {
            data.cautionDebits.push_back(
                {DateTime{*s.deregistered}, u"Refund on deregistration"_s, s.cautionBalance, u"REF"_s, s.id, {}});
            s.cautionBalance = 0;
        }
}

// One receipt book for both accounts, numbered through each year in time order.
void NumberReceipts(Sample& data)
{
    std::stable_sort(data.credits.begin(), data.credits.end(),
                     [](const Credit& a, const Credit& b) { return Earlier(a.when, b.when); });
    int year = 0;
    int number = 0;
    for (Credit& c : data.credits) {
        if (c.when.date.year() != year) {
            year = c.when.date.year();
            number = 0;
        }
        c.receipt = u"R%1-%2"_s.arg(year).arg(++number, 5, 10, QChar(u'0'));
    }
}

void NumberCautionReferences(Sample& data)
{
    std::stable_sort(data.cautionDebits.begin(), data.cautionDebits.end(),
                     [](const CautionDebit& a, const CautionDebit& b) { return Earlier(a.when, b.when); });
    QMap<QString, int> numbers;
    for (CautionDebit& d : data.cautionDebits)
        d.reference = u"%1/%2/%3"_s.arg(d.prefix).arg(d.when.date.year()).arg(++numbers[d.prefix], 4, 10, QChar(u'0'));
}

Sample MakeSample()
{
    SeededRandom rng(20260113);
    Sample data;
    MakeStudents(rng, data);
    for (const Student& s : data.students)
        MakeLevyAccount(rng, data, s);
    MakeCautionDeposits(rng, data);
    MakeCautionCharges(rng, data);
    std::stable_sort(data.levyDebits.begin(), data.levyDebits.end(),
                     [](const LevyDebit& a, const LevyDebit& b) { return Earlier(a.when, b.when); });
    NumberReceipts(data);
    NumberCautionReferences(data);
    return data;
}

QString FeesTemplateData(std::initializer_list<std::pair<int, int64_t>> lines)
{
    QStringList text;
    for (const auto& [code, cents] : lines)
        text.append(u"%1,%2"_s.arg(code).arg(AmountText(cents)));
    return text.join(u"\r\n"_s);
}

using Fields = std::initializer_list<std::pair<const char16_t*, Value>>;

void Append(Recordset& rs, Fields fields)
{
    rs.AddNew();
    for (const auto& [name, value] : fields)
        rs.SetFieldValue(Text(name), value);
    rs.Update();
}

void Write(Database& db, const QString& table, const std::function<void(Recordset&)>& fill)
{
    auto rs = db.OpenRecordset(table, dbOpenTable);
    fill(*rs);
    rs->Close();
}

void WriteSample(Database& db, const Sample& data)
{
    Write(db, u"Students"_s, [&](Recordset& rs) {
        for (const Student& s : data.students)
            if (!s.deregistered)
                Append(rs, {{u"Student ID", s.id},
                            {u"Surname", s.surname},
                            {u"First Names", s.firstNames},
                            {u"Sex", s.sex},
                            {u"Class", s.className},
                            {u"Guardian Title", s.guardianTitle},
                            {u"Guardian Surname", s.guardianSurname},
                            {u"Guardian Initials", s.guardianInitials},
                            {u"Guardian Address", s.guardianAddress},
                            {u"Guardian Telephone", s.guardianTelephone}});
    });
    Write(db, u"Deregistered Students"_s, [&](Recordset& rs) {
        for (const Student& s : data.students)
            if (s.deregistered)
                Append(rs, {{u"Student ID", s.id},
                            {u"Surname", s.surname},
                            {u"First Names", s.firstNames},
                            {u"Sex", s.sex},
                            {u"Date Deregistered", DateTime{*s.deregistered}},
                            {u"Guardian Title", s.guardianTitle},
                            {u"Guardian Surname", s.guardianSurname},
                            {u"Guardian Initials", s.guardianInitials},
                            {u"Guardian Address", s.guardianAddress},
                            {u"Guardian Telephone", s.guardianTelephone}});
    });
    Write(db, u"Classes"_s, [&](Recordset& rs) {
        for (const auto& c : sample::Classes())
            Append(rs, {{u"Class", c.name},
                        {u"Form Teacher", c.formTeacher},
                        {u"Minimum Balance", Cents(c.minimumBalanceCents)}});
    });
    Write(db, u"Registered Fees"_s, [&](Recordset& rs) {
        for (const auto& f : sample::RegisteredFees())
            Append(rs, {{u"Fee Code", f.code}, {u"Fee Name", f.name}});
    });
    Write(db, u"Fees Templates"_s, [&](Recordset& rs) {
        using namespace sample;
        Append(rs, {{u"Template Name", u"Forms 1 and 2 Day Scholars"},
                    {u"Template Data", FeesTemplateData({{feeTuition, tuitionLowerFormsCents},
                                                         {feeSportsLevy, sportsLevyCents},
                                                         {feeLibrary, libraryCents}})}});
        Append(rs, {{u"Template Name", u"Forms 3 and 4 Day Scholars"},
                    {u"Template Data", FeesTemplateData({{feeTuition, tuitionUpperFormsCents},
                                                         {feeSportsLevy, sportsLevyCents},
                                                         {feeLibrary, libraryCents},
                                                         {feeScienceLaboratory, scienceLaboratoryCents}})}});
        Append(rs, {{u"Template Name", u"Boarders Supplement"},
                    {u"Template Data", FeesTemplateData({{feeBoarding, boardingCents}})}});
        Append(rs, {{u"Template Name", u"New Template"}, {u"Template Data", u""_s}});
    });
    Write(db, u"Levy Account Debits"_s, [&](Recordset& rs) {
        for (const LevyDebit& d : data.levyDebits)
            Append(rs, {{u"Transaction Date", d.when},
                        {u"Amount", Cents(d.cents)},
                        {u"Fee Code", d.feeCode},
                        {u"Student ID", d.studentId}});
    });
    Write(db, u"Levy Account Credits"_s, [&](Recordset& rs) {
        for (const Credit& c : data.credits)
            if (!c.caution)
                Append(rs, {{u"Transaction Date", c.when},
                            {u"Amount", Cents(c.cents)},
                            {u"Receipt Number", c.receipt},
                            {u"Student ID", c.studentId}});
    });
    Write(db, u"Caution Fee Account Debits"_s, [&](Recordset& rs) {
        for (const CautionDebit& d : data.cautionDebits)
            Append(rs, {{u"Transaction Date", d.when},
                        {u"Reason", d.reason},
                        {u"Amount", Cents(d.cents)},
                        {u"Reference code", d.reference},
                        {u"Student ID", d.studentId}});
    });
    Write(db, u"Caution Fee Account Credits"_s, [&](Recordset& rs) {
        for (const Credit& c : data.credits)
            if (c.caution)
                Append(rs, {{u"Transaction Date", c.when},
                            {u"Amount", Cents(c.cents)},
                            {u"Receipt Number", c.receipt},
                            {u"Student ID", c.studentId}});
    });
    Write(db, u"Users"_s, [&](Recordset& rs) {
        const QString rights(25, u'1');
        Append(rs, {{u"User Name", u"Clerk"}, {u"User Password", EncryptText(u"clerk"_s)}, {u"User Rights", rights}});
        Append(rs, {{u"User Name", u"Bursar"},
                    {u"User Password", EncryptText(u"bursar"_s)},
                    {u"User Rights", QString(12, u'0') + QString(13, u'1')}});
        Append(rs, {{u"User Name", u"Trainee"},
                    {u"User Password", EncryptText(u"trainee"_s)},
                    {u"User Rights", QString(30, u'0')}});
    });
}

void MakeSampleDatabase(const QString& path)
{
    const Sample data = MakeSample();
    CreateFilledLevyDatabase(path, [&data](Database& db) {
        // One transaction: a commit per row would take minutes.
        db.MainConnection()->Execute(u"BEGIN"_s);
        WriteSample(db, data);
        db.MainConnection()->Execute(u"COMMIT"_s);
    });
}

} // namespace
} // namespace levy

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: make_sample_database OUTPUT-FILE\n", stderr);
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        std::fprintf(stderr, "make_sample_database: cannot delete %s\n", argv[1]);
        return 1;
    }
    try {
        levy::MakeSampleDatabase(path);
    } catch (const levy::RuntimeError& error) {
        // A half-written sample must not be mistaken for the real one by the next build.
        QFile::remove(path);
        std::fprintf(stderr, "make_sample_database: %s\n", error.description.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
