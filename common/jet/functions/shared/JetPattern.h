#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

namespace levy::jet {

// Thrown out of a long loop when the user cancels the statement; the function then ends
// the call with the engine's own interrupt.
struct Interrupted {};

// The engine stops a cancelled statement between its steps, never inside one call of a
// function, so a loop that may run long on a hostile input asks every few thousand steps.
class CancelCheck {
public:
    explicit CancelCheck(sqlite3* db) : db_(db) {}
    void operator()(size_t work = 1)
    {
        if (work < budget_) {
            budget_ -= work;
            return;
        }
        budget_ = interval;
        Ask();
    }

private:
    static constexpr size_t interval = 4096;
    void Ask() const;
    sqlite3* db_;
    size_t budget_ = interval;
};

// A Like pattern of the dialect: * and % any run of characters, ? and _ one character,
// # one digit, [list] one of a list with ranges (a-z), [!list] one not in it. Letter
// case is ignored. A [ without its ] fails with "Invalid pattern string".
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern);
    // Linear in the text: each run of the pattern between two stars is looked for once,
    // from where the one before it ended. A run with ?, # or a list inside costs one
    // machine word for every 64 of its elements at each character of the text.
    bool Matches(std::string_view text, CancelCheck& cancel) const;

private:
    enum class Kind { Literal, AnyChar, AnyDigit, AnyRun, Set };
    struct Element {
        Kind kind;
        char32_t ch = 0; // a literal, folded
        int set = -1;
        bool negated = false;
    };
    // The elements between two stars, found at the first place they match.
    struct Segment {
        size_t begin = 0, end = 0;    // without the ? at either end...
        size_t before = 0, after = 0; // ...which only skip characters
        bool letters = true;          // literals only
        std::vector<char32_t> folded; // the literals, for the letters-only search
        std::vector<uint32_t> border; // its longest border of each prefix
        // Otherwise, by element: which take any character, which any digit, where each
        // literal stands and where the lists are.
        std::vector<uint64_t> anyChar, anyDigit;
        std::unordered_map<char32_t, std::vector<uint32_t>> literalsAt;
        std::vector<uint32_t> listsAt;
    };
    bool Match(const Element& e, char32_t c) const;
    bool InList(const Element& e, char32_t c, char32_t lower, char32_t upper) const;
    bool MatchesAt(size_t begin, size_t end, const char32_t* text, CancelCheck& cancel) const;
    size_t Find(const Segment& s, const std::vector<char32_t>& text, size_t from, size_t limit,
                CancelCheck& cancel) const;
    size_t FindWithClasses(const Segment& s, const std::vector<char32_t>& text, size_t from, size_t limit,
                           CancelCheck& cancel) const;

    std::vector<Element> elements_;
    std::vector<std::vector<std::pair<char32_t, char32_t>>> sets_; // sorted, merged ranges
    bool anyRun_ = false;
    size_t headEnd_ = 0, tailBegin_ = 0; // the elements before the first star and after the last
    std::vector<Segment> segments_;
};

// A text looked for in others, a character at a time, with or without regard to case.
// Linear in both lengths (Knuth-Morris-Pratt): a plain search for "aaa...ab" in a long
// "aaa...a" takes the product of the two.
class TextSearch {
public:
    TextSearch(std::string_view needle, bool ignoreCase);
    struct Found {
        size_t begin = 0, end = 0; // bytes
        size_t skipped = 0;        // characters between the start of the search and `begin`
    };
    // The first occurrence at or after the byte `from` (the start of a character). The
    // needle must not be empty.
    std::optional<Found> Next(std::string_view hay, size_t from, CancelCheck& cancel) const;

private:
    std::vector<char32_t> needle_;
    std::vector<uint32_t> border_;
    bool ignoreCase_;
};

// UTF-8 to code points (a stray byte stands for itself).
void DecodeUtf8(std::string_view text, std::vector<char32_t>& out);
// The character at byte `at`, moving `at` past it.
char32_t NextChar(std::string_view text, size_t& at);
char32_t Fold(char32_t c);

} // namespace levy::jet
