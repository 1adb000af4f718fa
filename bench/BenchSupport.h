#pragma once

#include "frmDelverResults.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// What the benchmarks of the results window share: timing, resident memory, and opening
// the real window offscreen the way the clerk's program opens it.
namespace levy::bench {

// The frame of a benchmark's main: windows drawn offscreen unless QT_QPA_PLATFORM says
// otherwise, the QApplication, a private settings folder, and an error of the programs
// ending the run with its message. Returns main's answer.
int RunBenchmark(int argc, char* argv[],
                 const std::function<void(const QStringList& args, const QString& settingsFolder)>& body);

// Ends the run with the benchmark's name and the text on stderr.
[[noreturn]] void Fail(const QString& text);

double Ms(const QElapsedTimer& t);
double Median(QList<double> values);
double Mean(const QList<double>& values, qsizetype from, qsizetype count);

// VmRSS of this process, in KiB.
int64_t ResidentKiB();
QString MiB(int64_t kib);
// A duration given in milliseconds, as seconds to three places.
QString Seconds(double ms);

// Every box the window would have shown is a failure of the run: the figures after it
// would not be the window's.
void NoMessages(const QString& step);

// Lets the window paint what the last step changed.
void Settle();

struct OpenTiming {
    double totalMs = 0;
    double validateMs = 0;
};

// From ValidateQuery's start to the end of the window's first activation (page 1 filled).
std::unique_ptr<frmDelverResults> OpenWindow(const QString& sql, OpenTiming& timing);

// Points the settings at a private folder, names the program Delver, routes message boxes
// into the log and opens the database with Delver's recordsets. Needs a QApplication.
void StartDelverSession(const QString& database, const QString& settingsFolder);
void EndDelverSession();

} // namespace levy::bench
