// Opens a levy database in the mode given and holds it until its standard input closes;
// tests use it as "another program".
#include "levy/DatabaseAccess.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fputs("usage: db_holder shared|exclusive PATH\n", stderr);
        return 2;
    }
    QTextStream out(stdout);
    try {
        auto db = levy::DBEngine::Instance().Workspaces(0).OpenDatabase(args[2], args[1] == u"exclusive"_s, false,
                                                                          levy::levyPasswordConnect);
        out << "opened" << Qt::endl;
        char buffer[16];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
        }
        db->Close();
        return 0;
    } catch (const levy::RuntimeError& e) {
        out << "failed: " << e.description << Qt::endl;
        return 1;
    }
}
