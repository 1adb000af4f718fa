#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

namespace levy {

// The administrator's installer command: sets the first administrator password and,
// optionally, the levy database's location. Checks everything before it writes
// anything; returns the process's exit status.
struct SetupConsole {
    QTextStream& out;
    QTextStream& err;
    // Reads one line; `echo` false hides what is typed. Empty optional at end of input.
    std::function<std::optional<QString>(const QString& prompt, bool echo)> readLine;
};

int RunLevySetup(const QStringList& arguments, SetupConsole& console);

} // namespace levy
