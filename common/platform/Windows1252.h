#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace levy::Windows1252 {

// The single-byte code of a character, or nothing when the code page has none.
std::optional<unsigned char> CodeOf(QChar c);
QChar CharOf(unsigned char code);

bool CanEncode(QChar c);
bool CanEncode(const QString& text);

// Every byte decodes; the five codes the code page leaves undefined decode to the C1
// control of the same number, as the platform it comes from does.
QString Decode(const QByteArray& bytes);

// Fails (nothing) when the text holds a character the code page cannot hold; no
// character is ever replaced silently.
std::optional<QByteArray> Encode(const QString& text);

// Position of the first character that cannot be encoded, or -1.
qsizetype FirstUnencodable(const QString& text);

} // namespace levy::Windows1252
