#include "LevySetup.h"

#include <QCoreApplication>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
std::optional<QString> ReadLine(QTextStream& in, QTextStream& out, const QString& prompt, bool echo)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && !echo) {
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    if (terminal && !prompt.isEmpty())
        out << prompt << Qt::flush;
    QString line;
    const bool ok = in.readLineInto(&line);
    if (terminal && !echo) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        if (!prompt.isEmpty())
            out << u"\n"_s << Qt::flush;
    }
    if (!ok)
        return std::nullopt;
    return line;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    levy::SetupConsole console{out, err, [&](const QString& prompt, bool echo) {
                                   return ReadLine(in, err, prompt, echo);
                               }};
    const int status = levy::RunLevySetup(app.arguments().mid(1), console);
    out.flush();
    err.flush();
    return status;
}
