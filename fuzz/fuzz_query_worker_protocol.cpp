// The messages between Delver and its query worker, read as the other side would read
// whatever arrives: Delver reads the worker's answers (a worker the engine has damaged
// may send anything), the worker reads requests. A malformed message is refused with the
// protocol's error; a well-formed batch of rows decodes; nothing crashes.

#include "FuzzSupport.h"

#include "QueryWorkerService.h"
#include "database/QueryWorkerProtocol.h"
#include "database/RowEncoding.h"
#include "platform/RuntimeError.h"

using namespace levy;
using namespace levy::queryworker;

namespace {
void ReadAnswer(const Frame& frame, int columns)
{
    FrameReader reader(frame.body);
    switch (frame.kind) {
    case Kind::Failed: ReadFailure(reader); break;
    case Kind::Columns: {
        QList<bool> known;
        const QList<FieldDef> fields = ReadColumns(reader, known);
        reader.Int64();
        reader.Int64();
        reader.End();
        if (fields.size() != known.size())
            __builtin_trap();
        break;
    }
    case Kind::Rows: {
        const RowBatch rows = ReadRows(frame.body, columns, 4096);
        for (qsizetype r = 0; r < rows.starts.size(); ++r) {
            const char* p = rows.bytes.constData() + rows.starts[r];
            if (DecodeRow(p).size() != columns)
                __builtin_trap();
        }
        break;
    }
    default: break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses the reader, the second the column count of a batch of rows.
    const bool worker = data[0] & 1;
    const int columns = data[1] % 8;
    QByteArrayView stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    QueryWorkerService service;
    try {
        while (auto frame = TakeFrame(stream)) {
            if (!worker)
                ReadAnswer(*frame, columns);
            else if (frame->kind != Kind::Open)  // (it would open files of this machine)
                service.Answer(*frame);
        }
    } catch (const RuntimeError&) {
    }
    return 0;
}
