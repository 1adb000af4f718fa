#include "DatabaseToUse.h"

#include "LevyDatabaseCheck.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
std::function<void(const QString&)> whileChecking;

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

// Why a name leads to no file at all: its folder went, or the file did.
QString Gone(const QFileInfo& chosen)
{
    if (!chosen.absoluteDir().exists())
        return u"The folder \"%1\" no longer exists, so \"%2\" cannot be used."_s.arg(Shown(chosen.absolutePath()),
                                                                                 Shown(chosen.filePath()));
    return u"\"%1\" no longer exists."_s.arg(Shown(chosen.filePath()));
}
} // namespace

void SetWhileCheckingForTests(std::function<void(const QString&)> act) { whileChecking = std::move(act); }

DatabaseToUse CheckDatabaseToUse(const QString& chosen, const FileIdentity& expected)
{
    const QFileInfo info(chosen);
    DatabaseToUse use;
    use.path = info.canonicalFilePath();
    if (use.path.isEmpty()) {
        use.why = Gone(info);
        return use;
    }
    // Taken before the check, compared after it: a link or another file put under the
    // name meanwhile would be stored unchecked.
    const FileIdentity before = IdentityOfFile(use.path);
    FileIdentity examined;
    use.why = WhyNotALevyDatabase(use.path, &examined);
    if (whileChecking)
        std::exchange(whileChecking, nullptr)(use.path);
    if (use.why.isEmpty()) {
        const bool unchanged = before == examined && IdentityOfFile(use.path) == before &&
                               QFileInfo(use.path).canonicalFilePath() == use.path;
        if (!unchanged)
            use.why = u"\"%1\" changed while it was being checked: another file or a link took its place. "
                      u"Choose it again."_s.arg(Shown(use.path));
        else if (expected.known && before != expected)
            use.why = u"\"%1\" is no longer the database that was just made: another file took its place."_s.arg(
                Shown(info.filePath()));
    }
    // The administrator chose one name and another was looked at: both are told.
    if (!use.why.isEmpty() && use.path != QDir::cleanPath(info.absoluteFilePath()))
        use.why = u"\"%1\" leads to \"%2\".\r\n"_s.arg(Shown(info.filePath()), Shown(use.path)) + use.why;
    return use;
}

} // namespace levy
