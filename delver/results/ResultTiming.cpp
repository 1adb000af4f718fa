#include "ResultTiming.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

QString DurationText(qint64 ms)
{
    if (ms < 10000)
        return u"%1 s"_s.arg(double(ms) / 1000.0, 0, 'f', 2);
    if (ms < 60000)
        return u"%1 s"_s.arg(double(ms) / 1000.0, 0, 'f', 1);
    const qint64 seconds = (ms + 500) / 1000;
    return u"%1 min %2 s"_s.arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

QString RunTimingText(qint64 pageOneMs, qint64 countMs, bool counting)
{
    if (pageOneMs < 0)
        return {};
    const QString pageOne = u"Page 1 in "_s + DurationText(pageOneMs);
    if (countMs >= 0)
        return pageOne + u"; all records in "_s + DurationText(countMs);
    return pageOne + (counting ? u"; counting the rest"_s : u"; the count was stopped"_s);
}

QString KeptTimingText(qint64 pageOneMs, qint64 countMs)
{
    if (pageOneMs < 0)
        return {};
    const QString pageOne = u"Page 1 in "_s + DurationText(pageOneMs);
    return countMs >= 0 ? pageOne + u"; all records in "_s + DurationText(countMs) : pageOne;
}

} // namespace levy
