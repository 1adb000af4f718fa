#pragma once

#include "database/Database.h"
#include "platform/MessageBox.h"

#include <QRandomGenerator>
#include <QString>
#include <QWidget>
#include <functional>
#include <QTemporaryDir>
#include <memory>

namespace levy::test {

// One test's own world: a temporary folder, its own per-user settings and data, recorded
// message boxes and an intercepted program end. Restores everything when it goes.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    QString Path(const QString& name) const;
    QString Folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray oldConfigHome_;
    QByteArray oldDataHome_;
};

// A blank levy database at `path`, closed again.
void MakeBlankDatabase(const QString& path);
std::shared_ptr<Database> OpenLevy(const QString& path, bool exclusive = false);
// A blank levy database named levy.mdb in the sandbox, open.
std::shared_ptr<Database> FreshLevy(const Sandbox& sandbox);

// A value as the tests write it: its display text, or Null.
QString Shown(const Value& value);
// Every record of a recordset: values joined by '|', records by ';'.
QString RenderRecords(Recordset& rs);

// The one message box shown since the last clear; fails the test if there was not
// exactly one.
MessageRequest OnlyMessage();

// Runs `act` on the next modal dialog of type T once it is shown (the code under test
// is blocked in its modal loop then). Returns a flag that stays false when no such
// dialog came within the timeout; the watchdog then closes every window so that
// the test fails instead of hanging.
std::shared_ptr<bool> WhenModal(const QString& className, std::function<void(QWidget*)> act, int timeoutMs = 5000);
template <class T>
std::shared_ptr<bool> WhenModal(std::function<void(T*)> act, int timeoutMs = 5000)
{
    return WhenModal(QString::fromLatin1(T::staticMetaObject.className()),
                     [act](QWidget* w) { act(static_cast<T*>(w)); }, timeoutMs);
}

// A file's bytes (empty when it cannot be read), and a file written whole.
QByteArray FileBytes(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
// Every entry of a folder, hidden ones too.
QStringList FolderEntries(const QString& folder);

// The first record's first value of a statement, on a plain connection.
QString Scalar(const QString& databasePath, const QString& sql);

// The long campaigns (the faults, the attack corpus, the query corpus, the query worker
// killed at random) run whole when LEVY_FULL_CAMPAIGNS=1, as CI and scripts/faults.sh ask;
// otherwise a sample drawn from a seed, with cases of every family in it.
bool FullCampaigns();
// The seed in the environment variable `name`, or `fallback` when it is not set.
quint32 CampaignSeed(const char* name, quint32 fallback);
// `count` of the numbers 0 to total - 1 (all of them when there are no more), drawn from
// `random`, in ascending order.
QList<qsizetype> Sample(qsizetype total, qsizetype count, QRandomGenerator& random);
// Says, after a failed test function, how to run it again as it ran: the campaign's size,
// the seed and the function with its row.
void TellHowToRepeat(const char* seedName, quint32 seed);

} // namespace levy::test
