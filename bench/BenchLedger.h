#pragma once

#include <QString>

// The table of the benchmark database, shared by the program that writes it and the
// benchmarks that read it.
namespace levy::bench {

inline const QString ledgerTable = QStringLiteral("Ledger");
inline const QString payerField = QStringLiteral("Payer");
inline const QString postedOnField = QStringLiteral("Posted On");
inline const QString termField = QStringLiteral("Term");
inline const QString amountField = QStringLiteral("Amount");
inline const QString remarksField = QStringLiteral("Remarks");

} // namespace levy::bench
