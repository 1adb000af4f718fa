#pragma once

#include <QChar>
#include <QString>
#include <array>

namespace levy {

// The stored form of a password: "§", one enciphered character per password character,
// "§". Every levy database and settings store holds passwords in this form, so every
// step of the cipher is fixed. It is a weak cipher and stays one for their sake.
inline constexpr int keyLength = 51;
using KeyTable = std::array<QChar, keyLength + 1>;  // entries 1 to 51

KeyTable BuildKeyTable();
QString EncryptText(const QString& plainText);
QString DecryptText(const QString& storedForm);
// The cipher brings back only characters of codes 32 to 126; a password holding any
// other character would be stored but never match again, locking its account out.
bool CanBeMatchedAgain(const QString& password);

} // namespace levy
