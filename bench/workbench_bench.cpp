// Times the editor's workbench on a database far larger than a levy database: 200 tables
// of 50 fields each, beside the ten levy tables.
//   workbench_bench [FOLDER]   (QT_QPA_PLATFORM=offscreen)
// Prints the median and the worst of
//   - listing the schema through the read-only query connection and filling the panel;
//   - one key typed in the editor until the completion list is shown and painted.
#include "BenchSupport.h"

#include "workbench/SqlEditor.h"
#include "database/DBEngine.h"
#include "database/SchemaListing.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SqlCompletion.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
constexpr int tables = 200;
constexpr int fieldsPerTable = 50;
constexpr int runs = 25;

void MakeWideDatabase(const QString& path)
{
    QFile::remove(path);
    auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, levyLocaleConnect + levyPasswordConnect,
                                                                 dbEncrypt);
    BuildLevySchema(*db);
    auto c = db->MainConnection();
    c->Execute(u"BEGIN"_s);
    for (int t = 0; t < tables; ++t) {
        QStringList columns;
        for (int f = 0; f < fieldsPerTable; ++f)
            columns.append(u"\"Field %1 of %2\" %3"_s.arg(f).arg(t).arg(f % 3 ? u"TEXT(40)"_s : u"CURRENCY"_s));
        c->Execute(u"CREATE TABLE \"Ledger %1\" (%2)"_s.arg(t, 3, 10, QChar(u'0')).arg(columns.join(u", "_s)));
    }
    c->Execute(u"COMMIT"_s);
    db->Close();
}

QString Figures(QList<double> ms)
{
    return u"median %1 ms, worst %2 ms"_s.arg(bench::Median(ms), 0, 'f', 2)
        .arg(*std::max_element(ms.begin(), ms.end()), 0, 'f', 2);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    const QString database = folder + u"/levy-wide.mdb"_s;
    MakeWideDatabase(database);
    bench::StartDelverSession(database, scratch.path());

    SchemaPanel panel(nullptr);
    panel.resize(260, 600);
    panel.show();
    QList<double> listing, filling, both;
    SchemaListing schema;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        schema = ListSchema(*levyDatabase);
        const double listed = bench::Ms(t);
        panel.Fill(schema);
        QApplication::processEvents();
        const double total = bench::Ms(t);
        listing.append(listed);
        filling.append(total - listed);
        both.append(total);
    }
    if (schema.tables.size() != tables + 10)
        bench::Fail(u"The listing has %1 tables."_s.arg(schema.tables.size()));

    SqlEditor editor(nullptr);
    editor.resize(640, 400);
    editor.show();
    editor.setFocus();
    editor.Completion()->SetSchema(schema);
    QAbstractItemView* popup = editor.Completion()->Completer()->popup();
    QList<double> keys, narrowing;
    for (int i = 0; i < runs; ++i) {
        editor.SetText(u"SELECT * FROM Led"_s);
        editor.moveCursor(QTextCursor::End);
        editor.Completion()->Close();
        QApplication::processEvents();
        // The third letter opens the list over 10,000 names.
        QElapsedTimer t;
        t.start();
        QTest::keyClick(&editor, 'g');
        QApplication::processEvents();
        keys.append(bench::Ms(t));
        if (!popup->isVisible())
            bench::Fail(u"The completion list did not open."_s);
        // A further letter narrows the open list.
        t.start();
        QTest::keyClick(popup, 'e');
        QApplication::processEvents();
        narrowing.append(bench::Ms(t));
    }
    bench::EndDelverSession();

    QTextStream out(stdout);
    out << "workbench_bench: " << tables << " tables of " << fieldsPerTable << " fields, " << runs << " runs\n";
    out << "  schema listed:              " << Figures(listing) << "\n";
    out << "  panel filled:               " << Figures(filling) << "\n";
    out << "  schema listed and shown:    " << Figures(both) << "   (aim: 50 ms)\n";
    out << "  key to completion shown:    " << Figures(keys) << "   (aim: 30 ms)\n";
    out << "  key narrowing an open list: " << Figures(narrowing) << "\n";
    return 0;
}
