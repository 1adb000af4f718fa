#include "HiddenWorkingName.h"

#include <QFile>

namespace levy {
namespace {
constexpr qsizetype kept = 200;  // bytes of NAME; the rest of a working name needs at most 55
}

QString HiddenWorkingPrefix(const QString& fileName)
{
    QString cut = fileName;
    while (QFile::encodeName(cut).size() > kept) {
        cut.chop(1);
        if (!cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
    }
    return u'.' + cut + u'.';
}

} // namespace levy
