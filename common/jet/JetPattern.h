#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace levy::jet {

// A Like pattern of the dialect: * and % any run of characters, ? and _ one character,
// # one digit, [list] one of a list with ranges (a-z), [!list] one not in it. Letter
// case is ignored. A [ without its ] fails with "Invalid pattern string".
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern);
    bool Matches(std::string_view text) const;

private:
    enum class Kind { Literal, AnyChar, AnyDigit, AnyRun, Set };
    struct Element {
        Kind kind;
        char32_t ch = 0; // a literal, folded
        int set = -1;
        bool negated = false;
    };
    bool Match(const Element& e, char32_t c) const;

    std::vector<Element> elements_;
    std::vector<std::vector<std::pair<char32_t, char32_t>>> sets_;
};

// UTF-8 to code points (a stray byte stands for itself).
void DecodeUtf8(std::string_view text, std::vector<char32_t>& out);
char32_t Fold(char32_t c);

} // namespace levy::jet
