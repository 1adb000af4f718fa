#include "jet/functions/shared/JetCall.h"

#include <QString>

namespace levy::jet {
namespace {
constexpr int64_t maxLength = 1000000000;
} // namespace

size_t ValueLimit(const Call& c)
{
    const int64_t limit = sqlite3_limit(sqlite3_context_db_handle(c.ctx), SQLITE_LIMIT_LENGTH, -1);
    return size_t(std::min(limit, maxLength));
}

void CheckLength(const Call& c, int64_t bytes)
{
    if (bytes > int64_t(ValueLimit(c)))
        FailTooLong(bytes);
}

void FailTooLong(int64_t bytes, bool atLeast)
{
    Fail(Fault::InvalidArgument, (atLeast ? QStringLiteral("the text would be too long (more than %1 characters).")
                                          : QStringLiteral("the text would be too long (%1 characters)."))
                                     .arg(bytes));
}

void ChangeCase(std::string_view text, bool upper, std::string& out, size_t limit, CancelCheck* cancel)
{
    constexpr size_t slice = 4096;
    size_t total = out.size();
    for (size_t i = 0; i < text.size();) {
        // Cut before the first byte of a character: the mappings look at no neighbours.
        size_t end = std::min(text.size(), i + slice);
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
        const QString q = ToQString(text.substr(i, end - i));
        const QByteArray piece = (upper ? q.toUpper() : q.toLower()).toUtf8();
        total += size_t(piece.size());
        // Past the limit, only the length goes on, for the message.
        if (total <= limit)
            out.append(piece.constData(), size_t(piece.size()));
        if (cancel)
            (*cancel)(end - i);
        i = end;
    }
    if (total > limit)
        FailTooLong(int64_t(total));
}

} // namespace levy::jet
