#pragma once

#include "database/QueryRows.h"
#include "database/QueryWorkerProtocol.h"
#include "jet/syntax/UserStatement.h"

#include <QByteArray>
#include <memory>

namespace levy::jet {
struct StatementRun;
} // namespace levy::jet

namespace levy::engine {
class Connection;
class Statement;
} // namespace levy::engine

namespace levy::queryworker {

// The worker's side: answers Delver's requests one by one, on one read-only connection.
class QueryWorkerService {
public:
    QueryWorkerService();
    ~QueryWorkerService();
    // The answer to one request; raises only on a request that cannot be read.
    QByteArray Answer(const Frame& request);
    // Serves the socket until Delver closes it.
    void Serve(int socket);

private:
    QByteArray Open(FrameReader& request);
    // The statement a request names, read and checked to be one statement; with `run`, the
    // run it asks for, which follows the statement's text.
    jet::UserStatement NextStatement(FrameReader& request, jet::StatementRun* run = nullptr);
    QByteArray Check(FrameReader& request);
    QByteArray Prepare(FrameReader& request);
    QByteArray Read(FrameReader& request);

    std::shared_ptr<engine::Connection> connection_;
    std::unique_ptr<engine::Statement> statement_;
    jet::UserStatement sql_; // the statement prepared, for the places of its faults
    int columns_ = 0;
};

// The connection the interrupt signal stops (null while none is open).
void InterruptOnSignal(const std::shared_ptr<engine::Connection>& connection);

} // namespace levy::queryworker
