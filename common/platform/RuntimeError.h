#pragma once

#include <QString>
#include <cstdint>

namespace levy {

// The one error type of the system: every routine raises it, every event handler
// catches it and turns it into a message.
struct RuntimeError {
    int32_t number = 0;
    QString source;
    QString description;
};

// Application-defined error numbers, as signed 32-bit values.
inline constexpr int32_t errDatabaseLocation = static_cast<int32_t>(0x80040202u);
inline constexpr int32_t errUserNotFound = static_cast<int32_t>(0x80040259u);
inline constexpr int32_t errUserCancelled = static_cast<int32_t>(0x80040201u);
// A cancelled common dialog.
inline constexpr int32_t cdlCancel = 32755;
// Errors of the database engine layer.
inline constexpr int32_t errEngine = 3000;

// A cancelled dialog or a cancelled unsaved-changes question: the operation that met it
// ends quietly, with no message.
inline bool IsCancellation(const RuntimeError& error)
{
    return error.number == cdlCancel || error.number == errUserCancelled;
}

[[noreturn]] inline void Raise(int32_t number, const QString& source, const QString& description)
{
    throw RuntimeError{number, source, description};
}

} // namespace levy
