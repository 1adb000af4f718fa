#include "Windows1252.h"

namespace levy::Windows1252 {
namespace {
// Codes 0x80 to 0x9F; the undefined ones map to the C1 control of the same number.
constexpr char16_t high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

std::optional<unsigned char> CodeOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (int i = 0; i < 32; ++i)
        if (high[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

QChar CharOf(unsigned char code)
{
    if (code >= 0x80 && code <= 0x9F)
        return QChar(high[code - 0x80]);
    return QChar(static_cast<char16_t>(code));
}

bool CanEncode(QChar c) { return CodeOf(c).has_value(); }

bool CanEncode(const QString& text) { return FirstUnencodable(text) < 0; }

qsizetype FirstUnencodable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!CanEncode(text[i]))
            return i;
    return -1;
}

QString Decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.append(CharOf(static_cast<unsigned char>(b)));
    return out;
}

std::optional<QByteArray> Encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const auto code = CodeOf(c);
        if (!code)
            return std::nullopt;
        out.append(static_cast<char>(*code));
    }
    return out;
}

} // namespace levy::Windows1252
