#include "QueryWorkerProtocol.h"

#include "RowEncoding.h"
#include "engine/EngineErrors.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy::queryworker {
namespace {
bool KnownKind(uint8_t kind)
{
    switch (Kind(kind)) {
    case Kind::Open:
    case Kind::Check:
    case Kind::Prepare:
    case Kind::Read:
    case Kind::Done:
    case Kind::Failed:
    case Kind::Columns:
    case Kind::Rows: return true;
    }
    return false;
}

// Reads exactly `size` bytes; false at the end of the stream (or when told to give up).
bool ReadExactly(int socket, char* into, size_t size, const std::function<bool()>& waitReadable)
{
    size_t done = 0;
    while (done < size) {
        if (waitReadable && !waitReadable())
            return false;
        const ssize_t n = ::recv(socket, into + done, size - done, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            if (done > 0 && n == 0)
                RaiseMalformed();
            return false;
        }
        done += size_t(n);
    }
    return true;
}
} // namespace

void RaiseMalformed()
{
    Raise(engine::errIo, u"Query worker"_s, u"The query engine sent a message that could not be read."_s);
}

FrameWriter::FrameWriter(Kind kind)
{
    bytes_.resize(4);
    bytes_.append(char(kind));
}

FrameWriter& FrameWriter::Byte(uint8_t value)
{
    bytes_.append(char(value));
    return *this;
}

FrameWriter& FrameWriter::Int32(int32_t value)
{
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    return *this;
}

FrameWriter& FrameWriter::Int64(int64_t value)
{
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    return *this;
}

FrameWriter& FrameWriter::Bytes(QByteArrayView value)
{
    Int32(int32_t(value.size()));
    bytes_.append(value);
    return *this;
}

FrameWriter& FrameWriter::Text(const QString& value) { return Bytes(value.toUtf8()); }

const QByteArray& FrameWriter::Finished()
{
    const uint32_t length = uint32_t(bytes_.size() - 4);
    std::memcpy(bytes_.data(), &length, sizeof length);
    return bytes_;
}

void FrameReader::Need(qsizetype n) const
{
    if (n < 0 || body_.size() - at_ < n)
        RaiseMalformed();
}

uint8_t FrameReader::Byte()
{
    Need(1);
    return uint8_t(body_[at_++]);
}

template <class T>
T FrameReader::Take()
{
    T value;
    Need(sizeof value);
    std::memcpy(&value, body_.data() + at_, sizeof value);
    at_ += sizeof value;
    return value;
}

int32_t FrameReader::Int32() { return Take<int32_t>(); }

int64_t FrameReader::Int64() { return Take<int64_t>(); }

QByteArrayView FrameReader::Bytes()
{
    const int32_t size = Int32();
    Need(size);
    const QByteArrayView value = body_.sliced(at_, size);
    at_ += size;
    return value;
}

QString FrameReader::Text()
{
    const QByteArrayView utf8 = Bytes();
    if (!utf8.isValidUtf8())
        RaiseMalformed();
    return QString::fromUtf8(utf8);
}

void FrameReader::End() const
{
    if (at_ != body_.size())
        RaiseMalformed();
}

bool WriteAll(int socket, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        // No SIGPIPE: a worker that is gone is an answer, not the end of Delver.
        const ssize_t n = ::send(socket, bytes.data() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

std::optional<Frame> ReadFrame(int socket, const std::function<bool()>& waitReadable)
{
    uint32_t length = 0;
    if (!ReadExactly(socket, reinterpret_cast<char*>(&length), sizeof length, waitReadable))
        return std::nullopt;
    if (length < 1 || length > maxFrameSize)
        RaiseMalformed();
    uint8_t kind = 0;
    if (!ReadExactly(socket, reinterpret_cast<char*>(&kind), 1, waitReadable) || !KnownKind(kind))
        RaiseMalformed();
    // Read straight into the body: a batch of rows is megabytes.
    QByteArray body(qsizetype(length - 1), Qt::Uninitialized);
    if (!ReadExactly(socket, body.data(), length - 1, waitReadable))
        RaiseMalformed();
    return Frame{Kind(kind), std::move(body)};
}

std::optional<Frame> TakeFrame(QByteArrayView& stream)
{
    uint32_t length = 0;
    if (stream.size() < qsizetype(sizeof length))
        return std::nullopt;
    std::memcpy(&length, stream.data(), sizeof length);
    if (length < 1 || length > maxFrameSize || stream.size() - 4 < qsizetype(length))
        RaiseMalformed();
    const QByteArrayView bytes = stream.sliced(4, length);
    stream = stream.sliced(4 + length);
    if (!KnownKind(uint8_t(bytes[0])))
        RaiseMalformed();
    return Frame{Kind(uint8_t(bytes[0])), bytes.sliced(1).toByteArray()};
}

RuntimeError ReadFailure(FrameReader& reader)
{
    RuntimeError error;
    error.number = reader.Int32();
    error.source = reader.Text();
    error.description = reader.Text();
    reader.End();
    return error;
}

void WriteParameters(FrameWriter& writer, const QList<jet::BoundParameter>& parameters)
{
    writer.Int32(int32_t(parameters.size()));
    for (const jet::BoundParameter& p : parameters) {
        QByteArray value;
        EncodeRow(value, {p.value});
        writer.Text(p.name).Bytes(value);
    }
}

QList<jet::BoundParameter> ReadParameters(FrameReader& reader)
{
    const int32_t count = reader.Int32();
    // Far more than a statement can name; a count past it is no request of Delver's.
    if (count < 0 || count > 1000)
        RaiseMalformed();
    QList<jet::BoundParameter> parameters;
    for (int32_t i = 0; i < count; ++i) {
        jet::BoundParameter p;
        p.name = reader.Text();
        const QByteArrayView value = reader.Bytes();
        if (WellFormedRowLength(value, 1) != value.size())
            RaiseMalformed();
        const char* at = value.data();
        p.value = DecodeRow(at).value(0);
        parameters.append(p);
    }
    return parameters;
}

QByteArray FailureFrame(const RuntimeError& error)
{
    return FrameWriter(Kind::Failed).Int32(error.number).Text(error.source).Text(error.description).Finished();
}

QList<FieldDef> ReadColumns(FrameReader& reader, QList<bool>& known)
{
    const int32_t count = reader.Int32();
    // Each column takes at least 13 bytes: a count beyond the frame is a lie.
    if (count < 0 || count > 100000)
        RaiseMalformed();
    QList<FieldDef> fields;
    known.clear();
    for (int32_t c = 0; c < count; ++c) {
        FieldDef f;
        f.name = reader.Text();
        f.type = reader.Int32();
        f.size = reader.Int32();
        f.allowZeroLength = reader.Byte() != 0;
        known.append(reader.Byte() != 0);
        fields.append(f);
    }
    return fields;
}

QByteArray ColumnsFrame(const QList<FieldDef>& fields, const QList<bool>& known, int64_t runClockMs, int64_t runSeed)
{
    FrameWriter frame(Kind::Columns);
    frame.Int32(int32_t(fields.size()));
    for (qsizetype c = 0; c < fields.size(); ++c)
        frame.Text(fields[c].name).Int32(fields[c].type).Int32(fields[c].size).Byte(fields[c].allowZeroLength).Byte(known[c]);
    return frame.Int64(runClockMs).Int64(runSeed).Finished();
}

RowBatch ReadRows(const QByteArray& body, int columns, int32_t most)
{
    FrameReader reader(body);
    RowBatch rows;
    const int32_t count = reader.Int32();
    rows.ended = reader.Byte() != 0;
    const QByteArrayView bytes = reader.Bytes();
    reader.End();
    if (count < 0 || count > most)
        RaiseMalformed();
    qsizetype at = 0;
    for (int32_t r = 0; r < count; ++r) {
        const qsizetype length = WellFormedRowLength(bytes.sliced(at), columns);
        if (length < 0)
            RaiseMalformed();
        rows.starts.append(at);
        at += length;
    }
    if (at != bytes.size())
        RaiseMalformed();
    // The rows stay where they were read: the batch keeps the body, its rows' places in it.
    const qsizetype offset = bytes.data() - body.constData();
    for (qsizetype& start : rows.starts)
        start += offset;
    rows.end = offset + at;
    rows.bytes = body;
    return rows;
}

QByteArray RowsFrameHead(int32_t count, bool ended, qsizetype rowBytes)
{
    QByteArray head = FrameWriter(Kind::Rows).Int32(count).Byte(ended).Int32(int32_t(rowBytes)).Finished();
    // The rows follow the head as they are: the frame's length counts them.
    uint32_t length = 0;
    std::memcpy(&length, head.constData(), sizeof length);
    length += uint32_t(rowBytes);
    std::memcpy(head.data(), &length, sizeof length);
    return head;
}

} // namespace levy::queryworker
