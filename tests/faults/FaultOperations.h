#pragma once

#include <QString>
#include <array>

// What the fault worker does and the fault tests expect of it.
namespace levy::faults {

inline const QString createdAccount = QStringLiteral("Temp");
inline const QString createdPassword = QStringLiteral("temp pw");
// An account of the sample database whose rights are saved over and over.
inline const QString rightsAccount = QStringLiteral("Trainee");
// The administrator's password switches between these two.
inline const std::array<QString, 2> adminPasswords = {QStringLiteral("admin"), QStringLiteral("Second Key 2")};
inline const QString exportStatement = QStringLiteral("SELECT * FROM [Levy Account Debits]");
// A million records, sorted: the engine works a while on page 1 alone, and the count after.
inline const QString countedStatement =
    QStringLiteral("SELECT a.[Student ID] AS x, b.[Student ID] AS y, c.Class AS z FROM Students AS a, Students AS b, "
                   "Classes AS c ORDER BY 1, 2, 3");

// The rights saved in a round: every other right, the two halves in turn.
inline QString RightsPattern(int round)
{
    QString pattern;
    for (int k = 0; k < 25; ++k)
        pattern.append((k + round) % 2 ? u'0' : u'1');
    return pattern;
}

} // namespace levy::faults
