#pragma once

#include "jet/syntax/UserStatement.h"
#include "platform/RuntimeError.h"
#include "values/FieldDef.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace levy::queryworker {

// Delver and its query worker talk over a socket pair in frames: a 32-bit length, then
// the frame's kind and its fields. Each side reads the other's frames as untrusted bytes:
// a frame that is cut short, too long or of an unknown kind ends the conversation.
enum class Kind : uint8_t {
    // Delver's requests
    Open = 1,     // path, key, read in place: opens the database read-only
    Check = 2,    // statement: compiles it and no more
    Prepare = 3,  // statement, its run (clock, seed; 0, -1 for a new one)[, parameter values]: compiles
                  // it for reading, answered with its columns
    Read = 4,     // restart, rows to pass over, most rows: the next rows of the prepared statement
    // The worker's answers
    Done = 64,
    Failed = 65,   // error number, description
    Columns = 66,  // per column: name, type code, size, whether the type is known; then the run's clock
                   // and seed
    Rows = 67,     // row count, whether the result ended, the rows (RowEncoding.h)
};

// Frames longer than this are refused: the engine's own heap limit keeps a row well below.
constexpr uint32_t maxFrameSize = 768u * 1024 * 1024;

struct Frame {
    Kind kind = Kind::Done;
    QByteArray body;
};

// Builds a frame's fields in order.
class FrameWriter {
public:
    explicit FrameWriter(Kind kind);
    FrameWriter& Byte(uint8_t value);
    FrameWriter& Int32(int32_t value);
    FrameWriter& Int64(int64_t value);
    FrameWriter& Bytes(QByteArrayView value);
    FrameWriter& Text(const QString& value);
    // The frame with its length in front.
    const QByteArray& Finished();

private:
    QByteArray bytes_;
};

// Reads a frame's fields in order; any read past the end, or a text that is not UTF-8,
// raises.
class FrameReader {
public:
    explicit FrameReader(QByteArrayView body) : body_(body) {}
    uint8_t Byte();
    int32_t Int32();
    int64_t Int64();
    QByteArrayView Bytes();
    QString Text();
    bool AtEnd() const { return at_ == body_.size(); }
    // Raises unless every byte was read.
    void End() const;

private:
    void Need(qsizetype n) const;
    template <class T>
    T Take();
    QByteArrayView body_;
    qsizetype at_ = 0;
};

// The fault of a malformed frame.
[[noreturn]] void RaiseMalformed();

// Writes the whole of `bytes` to the socket; false when the other side is gone.
bool WriteAll(int socket, QByteArrayView bytes);
// Reads one frame; nullopt when the other side has closed the socket. Raises on a
// malformed frame. `waitReadable`, when given, is called before each read and waits until
// the socket can be read; it returns false to give up (then nullopt too).
std::optional<Frame> ReadFrame(int socket, const std::function<bool()>& waitReadable = {});
// Parses a whole stream of frames from memory: the fuzz target's way in.
std::optional<Frame> TakeFrame(QByteArrayView& stream);

// A statement's parameter values, after its text: their count, then each one's name and
// its value as a row of one value (RowEncoding.h).
void WriteParameters(FrameWriter& writer, const QList<jet::BoundParameter>& parameters);
QList<jet::BoundParameter> ReadParameters(FrameReader& reader);

// The answers' fields.
RuntimeError ReadFailure(FrameReader& reader);
QByteArray FailureFrame(const RuntimeError& error);
// The columns, the frame's first fields (the run follows them).
QList<FieldDef> ReadColumns(FrameReader& reader, QList<bool>& known);
QByteArray ColumnsFrame(const QList<FieldDef>& fields, const QList<bool>& known, int64_t runClockMs, int64_t runSeed);
// A batch of rows, each checked to be a well-formed row of `columns` values, no more than
// `most` of them, before any is kept.
struct RowBatch {
    QByteArray bytes;
    QList<qsizetype> starts;  // where each row begins in bytes
    qsizetype end = 0;        // where the last row ends
    bool ended = false;       // the result ends after these rows
};
RowBatch ReadRows(const QByteArray& body, int columns, int32_t most);
// The start of a Rows frame whose `rowBytes` of rows are sent after it as they are.
QByteArray RowsFrameHead(int32_t count, bool ended, qsizetype rowBytes);

} // namespace levy::queryworker
