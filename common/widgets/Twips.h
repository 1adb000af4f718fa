#pragma once

#include <QRect>

namespace levy {

// Twips (1/1440 inch) to pixels at 96 dots per inch: the windows keep the sizes and
// places of the office's forms, which are given in twips.
constexpr int Twips(int twips) { return (twips + 7) / 15; }

inline QRect TwipsRect(int left, int top, int width, int height)
{
    return {Twips(left), Twips(top), Twips(width), Twips(height)};
}

} // namespace levy
