#include "UserChoices.h"

#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/SettingsStore.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// A group of the user's own inside Delver's section: "Delver/Clerk".
QString UserSection()
{
    QString user = CurrentUserName;
    user.replace(u'/', u'_').replace(u'\\', u'_');
    return user.isEmpty() ? u"Delver"_s : u"Delver/"_s + user;
}
} // namespace

QString UserChoice(const QString& key, const QString& defaultValue)
{
    return GetSetting(settingsApplication, UserSection(), key, defaultValue);
}

void SaveUserChoice(const QString& key, const QString& value)
{
    SaveSetting(settingsApplication, UserSection(), key, value);
}

} // namespace levy
