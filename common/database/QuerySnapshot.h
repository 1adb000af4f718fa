#pragma once

#include "engine/SqliteHandle.h"

#include <QByteArray>
#include <functional>
#include <memory>

namespace levy {

// A clerk's statement runs on a private copy of the levy file, so that however long it
// reads, it never keeps the office's other programs from writing, and a result read again
// reads the same data. Taking the copy keeps a writer waiting for a few hundredths of a
// second at most: an ordinary file's own enciphered bytes are copied a step at a time
// (no key derivation, no re-enciphering), each step under a read lock of the main
// connection and through the descriptor the open mode's lock is held on; a file in
// write-ahead mode is copied by the engine from one read of it, which holds no writer up.
struct QuerySnapshot {
    std::shared_ptr<engine::Connection> connection;
    // The main connection's data version the copy was taken at: another program's
    // commit changes it, so the copy is taken again only when the file has changed.
    int64_t dataVersion = 0;
};

// True when the file keeps a write-ahead log, which a copy of the file alone would miss.
bool UsesWriteAheadLog(const std::shared_ptr<engine::Connection>& main);

// The main connection's current data version.
int64_t DataVersion(const std::shared_ptr<engine::Connection>& main);

// Copies the open levy file (`descriptor`, whose open connection is `main`) into the
// private result folder and opens the copy read-only with `key`. The copy's name is
// removed once it is open: nothing is left behind, however the program ends.
// When `handOver` is given, the copy's name and its lock are handed to it instead (once
// the copy is open), for another process to open the copy by name first.
QuerySnapshot TakeQuerySnapshot(const std::shared_ptr<engine::Connection>& main, int descriptor, const QByteArray& key,
                                const std::function<void(const QString& path, int lock)>& handOver = {});

} // namespace levy
