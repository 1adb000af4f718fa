#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace levy::fuzz {

// The text an input stands for. Inputs are UTF-8, so that seeds stay readable; one that
// starts with the byte 0xFF holds raw UTF-16 code units after it (little-endian), which
// reaches lone surrogates and every other code unit UTF-8 cannot carry.
inline QString TextOf(const uint8_t* data, size_t size)
{
    if (size > 0 && data[0] == 0xFF) {
        QString text;
        text.reserve(qsizetype((size - 1) / 2));
        for (size_t i = 1; i + 1 < size; i += 2)
            text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
        return text;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken property is a finding: stop with the reason, so that the fuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "\nproperty broken: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

// LEVY_REQUIRE(holds, "what", optional detail): the detail is built only on failure.
#define LEVY_REQUIRE(holds, what, ...)                                  \
    do {                                                                \
        if (!(holds))                                                   \
            ::levy::fuzz::Fail(what, QString(__VA_ARGS__));             \
    } while (false)

// A text as code points, for messages about texts that may not print.
inline QString Codes(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += QString::number(c.unicode(), 16) + u' ';
    return out;
}

} // namespace levy::fuzz
