#pragma once

#include "Database.h"

#include <memory>

namespace levy {

// The engine's workspace: creates and opens databases.
class Workspace {
public:
    // Fails on an existing file or an unwritable folder. The connect text carries the
    // locale and ";pwd=" the password; dbEncrypt encrypts the file with it.
    std::shared_ptr<Database> CreateDatabase(const QString& path, const QString& connect, int options = 0);
    // An exclusive open fails while any other program has the file open, and blocks
    // every other open while it lasts.
    std::shared_ptr<Database> OpenDatabase(const QString& path, bool exclusive = false, bool readOnly = false,
                                           const QString& connect = {});
};

class DBEngine {
public:
    static DBEngine& Instance();
    // The default workspace is Workspaces(0); there is no other.
    Workspace& Workspaces(int index);

    // Writes a compacted copy of `source` to `destination`, which must not exist yet. The
    // copy keeps the encryption and password of the source, and is checked to be
    // complete and encrypted before this returns; on any failure no copy is left.
    // Fails while the source is open anywhere else.
    void CompactDatabase(const QString& source, const QString& destination, const QString& destinationLocale = {},
                         int options = 0, const QString& password = {});

    // Compacts the database at `path` in place: a compacted copy is written beside it,
    // checked, given the original's owner, group and permission bits, and only then put
    // in the original's place in one atomic step, while the original is held exclusively
    // throughout. Through a symbolic link the file it names is compacted and the link
    // stays. A file with more than one name (hard links) is refused before any work, as
    // replacing one name would split it. On any failure the original stays as it was and
    // no copy is left behind. Returns a note (empty when none) on what went wrong after
    // the copy had replaced the original, which is no failure of the compaction.
    QString CompactDatabaseInPlace(const QString& path, const QString& password);

    // Test seam: makes the in-place compaction fail at a step (1 after the copy is
    // written, 2 after it is checked, 3 just before it replaces the original, 4 the copy
    // is refused the original's owner or group, 5 the folder's last write-out after the
    // replacement).
    static void SetCompactionFaultForTests(int step);

private:
    Workspace workspace_;
};

// The password of a connect text such as ";pwd=47193605" (empty when none).
QByteArray PasswordFromConnect(const QString& connect);

} // namespace levy
