#pragma once

// One call of a function of the dialect as the engine hands it over, and what the
// bodies of every family share. Each body reads its arguments through the helpers of
// JetValue.h and raises a Failure (see Fail) for the dialect's run-time errors; the
// registration turns that into the statement's error, naming the function.

#include "jet/functions/shared/JetPattern.h"
#include "jet/functions/shared/JetValue.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/Sqlite.h"

namespace levy::jet {

struct Call {
    sqlite3_context* ctx;
    int argc;
    sqlite3_value** argv;
    sqlite3_value* operator[](int i) const { return argv[i]; }
    bool Has(int i) const { return i < argc; }
};

using ScalarFunction = void (*)(const Call&);
using StepFunction = void (*)(const Call&);
using FinalFunction = void (*)(sqlite3_context*);

// True, with the result set to Null, when argument `at` is Null.
inline bool NullResult(const Call& c, int at)
{
    if (!IsNull(c[at]))
        return false;
    sqlite3_result_null(c.ctx);
    return true;
}

// True, with the result set to Null, when any argument is Null.
inline bool AnyNull(const Call& c)
{
    for (int i = 0; i < c.argc; ++i)
        if (IsNull(c[i])) {
            sqlite3_result_null(c.ctx);
            return true;
        }
    return false;
}

// The longest text the engine takes as one value on this connection.
size_t ValueLimit(const Call& c);

// Called before a text is built, so that one past the engine's limit is refused rather
// than made first.
void CheckLength(const Call& c, int64_t bytes);

// Fails with the dialect's "too long" error for a text of `bytes` (or of more than
// `bytes` when its whole length is not known).
[[noreturn]] void FailTooLong(int64_t bytes, bool atLeast = false);

// Appends `text` in upper or lower case as Unicode's full mappings have it (ß to SS),
// failing rather than let `out` pass `limit` bytes. Converted a slice at a time: the
// conversion of one long text takes time in the square of its length-changing letters.
void ChangeCase(std::string_view text, bool upper, std::string& out, size_t limit, CancelCheck* cancel = nullptr);

// A call that may run long on a hostile input looks for Cancel as it goes and, cancelled,
// ends as the engine ends an interrupted statement.
template <class F>
void Interruptible(const Call& c, F body)
{
    CancelCheck cancel(sqlite3_context_db_handle(c.ctx));
    try {
        body(cancel);
    } catch (const Interrupted&) {
        sqlite3_result_error_code(c.ctx, SQLITE_INTERRUPT);
    }
}

// A compiled argument kept by the engine while the same statement runs, so that a
// constant format or pattern is read once, not once a row.
template <class T>
class Cached {
public:
    Cached(const Call& c, int at, std::string_view text) : c_(c), at_(at)
    {
        held_ = static_cast<T*>(sqlite3_get_auxdata(c.ctx, at));
        if (!held_) {
            owned_ = std::make_unique<T>(text);
            held_ = owned_.get();
        }
    }
    ~Cached()
    {
        // Handed over last: the engine may drop it at once when the argument varies.
        if (owned_)
            sqlite3_set_auxdata(c_.ctx, at_, owned_.release(), [](void* p) { delete static_cast<T*>(p); });
    }
    Cached(const Cached&) = delete;
    Cached& operator=(const Cached&) = delete;
    const T& operator*() const { return *held_; }
    const T* operator->() const { return held_; }

private:
    const Call& c_;
    int at_;
    T* held_ = nullptr;
    std::unique_ptr<T> owned_;
};

} // namespace levy::jet
