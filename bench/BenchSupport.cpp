#include "BenchSupport.h"

#include "results/FlexGrid.h"
#include "workbench/QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace levy::bench {

void Fail(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
                 text.toUtf8().constData());
    std::exit(1);
}

int RunBenchmark(int argc, char* argv[],
                 const std::function<void(const QStringList& args, const QString& settingsFolder)>& body)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!config.isValid())
        Fail(u"no temporary folder for the settings"_s);
    QApplication app(argc, argv);
    try {
        body(QCoreApplication::arguments(), config.path());
    } catch (const RuntimeError& error) {
        Fail(error.description);
    }
    return 0;
}

double Ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Mean(const QList<double>& values, qsizetype from, qsizetype count)
{
    double sum = 0;
    for (qsizetype i = from; i < from + count; ++i)
        sum += values[i];
    return count ? sum / double(count) : 0;
}

int64_t ResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

QString Seconds(double ms) { return u"%1 s"_s.arg(ms / 1000, 0, 'f', 3); }

QString MiB(int64_t kib) { return u"%1 MiB"_s.arg(double(kib) / 1024.0, 0, 'f', 1); }

void NoMessages(const QString& step)
{
    const auto shown = MessageLog::Shown();
    if (shown.isEmpty())
        return;
    QStringList texts;
    for (const MessageRequest& m : shown)
        texts.append(m.title + u": "_s + m.text);
    Fail(step + u": the window said "_s + texts.join(u" | "_s));
}

void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

std::unique_ptr<frmDelverResults> OpenWindow(const QString& sql, OpenTiming& timing)
{
    MessageLog::Clear();
    QElapsedTimer t;
    t.start();
    if (!ValidateQuery(sql)) {
        NoMessages(u"ValidateQuery"_s);
        Fail(u"ValidateQuery refused the statement"_s);
    }
    timing.validateMs = Ms(t);
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    // The first activation runs inside one of these calls and returns when page 1 is in.
    while (window->blnFirstActivation || window->Reading())
        QCoreApplication::processEvents();
    timing.totalMs = Ms(t);
    NoMessages(u"opening the result"_s);
    if (!window->isVisible() || window->grdResults->Rows() != frmDelverResults::pageSize + 1 ||
        (window->grdResults->TextMatrix(1, 1).isEmpty() && window->grdResults->TextMatrix(1, 2).isEmpty()))
        Fail(u"page 1 was not filled"_s);
    Settle();
    return window;
}

void StartDelverSession(const QString& database, const QString& settingsFolder)
{
    // The settings the window reads are the run's own, never the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsFolder));
    QCoreApplication::setApplicationName(u"Delver"_s);
    AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    MessageLog::Start();
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, database);
    OpenLevyDatabase();
    Initialise_recordsets();
}

void EndDelverSession()
{
    if (rsDirectQuery)
        rsDirectQuery->Close();
    rsDirectQuery.reset();
    CloseLevyDatabase();
}

} // namespace levy::bench
