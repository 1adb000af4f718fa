#pragma once

#include <QColor>

namespace levy {

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white), by their
// relative luminance as the accessibility guidelines define it.
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast that normal text needs to be read by everyone.
inline constexpr double readableContrast = 4.5;

// `wanted` as it can be read on `background`: the colour itself when it stands out
// enough, else the same hue made lighter (on a dark background) or darker (on a light
// one) until it does. Red stays red and blue stays blue.
QColor ReadableOn(const QColor& wanted, const QColor& background);

} // namespace levy
