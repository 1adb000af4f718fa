#pragma once

#include "platform/RuntimeError.h"

#include <QString>

namespace levy::engine {

// The source text of every error raised by the database engine layer.
inline const QString engineSource = QStringLiteral("Levy Database Engine");

// Raises an engine error with a description of our own.
[[noreturn]] void RaiseEngine(int number, const QString& description);

// Numbers of the engine's own errors.
enum EngineError : int {
    errObjectClosed = 3420,
    errNoCurrentRecord = 3021,
    errNotFound = 3011,
    errAlreadyExists = 3204,
    errObjectExists = 3012,
    errInUse = 3045,
    errHeldExclusively = 3356,
    errNotDatabase = 3343,
    errDamaged = 3049,
    errReadOnly = 3027,
    errDiskFull = 3035,
    errIo = 3043,
    errInvalidValue = 3315,
    errFieldTooSmall = 3163,
    errOutOfRange = 3349,
    errTypeMismatchField = 3464,
    errSyntax = 3075,
    errTrailingCharacters = 3142,
    errNotAuthorized = 3112,
    errUpdateWithoutEdit = 3020,
    errInvalidOperation = 3219,
    errBusy = 3260,
    errCantCreate = 3044,
    errQueryEngineStopped = 3670,  // the query worker ended while it served a statement
};

} // namespace levy::engine
