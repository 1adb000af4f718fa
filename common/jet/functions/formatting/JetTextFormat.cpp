#include "jet/functions/formatting/JetFormatParts.h"

#include "jet/functions/shared/JetCall.h"

#include <algorithm>

namespace levy::jet::formatting {

TextSection ParseText(std::string_view f)
{
    TextSection s;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) {
            s.items.push_back({false, 0, literal});
            literal.clear();
        }
    };
    for (size_t i = 0; i < f.size();) {
        if (ReadLiteral(f, i, literal))
            continue;
        const char c = f[i];
        if (c == '@' || c == '&') {
            flush();
            s.items.push_back({true, c, {}});
            ++s.placeholders;
        } else if (c == '<') {
            s.letterCase = -1;
        } else if (c == '>') {
            s.letterCase = 1;
        } else if (c == '!') {
            s.leftToRight = true;
        } else {
            const size_t n = CharLength(f, i);
            literal.append(f.substr(i, n));
            i += n;
            continue;
        }
        ++i;
    }
    flush();
    return s;
}

void ApplyText(const TextSection& s, std::string_view text, std::string& out, size_t limit)
{
    std::string cased;
    if (s.letterCase != 0) {
        ChangeCase(text, s.letterCase > 0, cased, limit);
        text = cased;
    }
    if (s.placeholders == 0) {
        for (const auto& item : s.items) {
            Room(out, item.text.size(), limit);
            out += item.text;
        }
        Room(out, text.size(), limit);
        out.append(text);
        return;
    }
    // Character boundaries, so that a placeholder takes a whole character.
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        starts.push_back(i);
    starts.push_back(text.size());
    const size_t chars = starts.size() - 1;
    const size_t slotCount = size_t(s.placeholders);
    auto character = [&](size_t index) { return text.substr(starts[index], starts[index + 1] - starts[index]); };
    size_t slot = 0;
    for (const auto& item : s.items) {
        Room(out, item.text.size(), limit);
        if (!item.placeholder) {
            out += item.text;
            continue;
        }
        std::string_view piece;
        bool has = false;
        if (s.leftToRight) {
            has = slot < chars;
            if (has)
                piece = character(slot);
            if (slot == slotCount - 1 && chars > slotCount) {
                if (has)
                    out.append(piece);
                Room(out, text.size() - starts[slotCount], limit);
                out.append(text.substr(starts[slotCount]));
                ++slot;
                continue;
            }
        } else {
            const size_t fromRight = slotCount - 1 - slot;
            if (slot == 0 && chars > slotCount) {
                Room(out, starts[chars - slotCount], limit);
                out.append(text.substr(0, starts[chars - slotCount]));
            }
            has = fromRight < chars;
            if (has)
                piece = character(chars - 1 - fromRight);
        }
        if (has)
            out.append(piece);
        else if (item.kind == '@')
            out += ' ';
        ++slot;
    }
    Room(out, 0, limit);
}

} // namespace levy::jet::formatting
