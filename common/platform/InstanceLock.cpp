#include "InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
bool previous = false;
std::unique_ptr<QLockFile> lock;
} // namespace

void DecidePreviousInstance(const QString& programName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    lock = std::make_unique<QLockFile>(folder + u"/levy-"_s + programName + u".lock"_s);
    lock->setStaleLockTime(0);
    previous = !lock->tryLock(0);
    if (previous)
        lock.reset();
}

bool PrevInstance() { return previous; }
void SetPrevInstanceForTests(bool p) { previous = p; }

} // namespace levy
