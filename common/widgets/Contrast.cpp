#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace levy {
namespace {
double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c)
{
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

QColor Towards(const QColor& from, const QColor& to, double share)
{
    auto mix = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}
} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background)
{
    if (ContrastRatio(wanted, background) >= readableContrast)
        return wanted;
    // Whichever way leaves the background further behind.
    const QColor goal = ContrastRatio(Qt::white, background) > ContrastRatio(Qt::black, background) ? QColor(Qt::white)
                                                                                                     : QColor(Qt::black);
    for (int step = 1; step <= 20; ++step) {
        const QColor tried = Towards(wanted, goal, step / 20.0);
        if (ContrastRatio(tried, background) >= readableContrast)
            return tried;
    }
    return goal;
}

} // namespace levy
