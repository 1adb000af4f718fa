#include "SecurityEnforcement.h"

#include "Encryption.h"
#include "DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "utilities/GlobalUtilities.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

QString CurrentUserName;
std::array<bool, rightsCount + 1> UserRights{};

namespace {
constexpr int errObjectNotSet = 91;

// Finds the account's row through "User Name Index"; rsUsers stays on it.
bool LookUpAccount(const QString& name)
{
    if (!rsUsers)
        Raise(errObjectNotSet, u"SecurityEnforcement"_s, u"Object variable or With block variable not set"_s);
    return FindAccount(*rsUsers, name);
}
} // namespace

bool FindAccount(Recordset& users, const QString& name)
{
    users.SetIndex(u"User Name Index"_s);
    users.Seek(u"="_s, name);
    if (!users.NoMatch())
        return true;
    for (users.MoveFirst(); !users.IsEOF(); users.MoveNext()) {
        const Value stored = users.FieldValue(u"User Name"_s);
        if (!stored.IsNull() && stored.AsText().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QList<QPair<QString, QString>> AccountRights(Recordset& users)
{
    QList<QPair<QString, QString>> accounts;
    users.SetIndex(u"User Name Index"_s);
    if (users.RecordCount() == 0)
        return accounts;
    for (users.MoveFirst(); !users.IsEOF(); users.MoveNext()) {
        const Value rights = users.FieldValue(u"User Rights"_s);
        accounts.append({users.FieldValue(u"User Name"_s).AsText(), rights.IsNull() ? QString() : rights.AsText()});
    }
    return accounts;
}

bool IsAdministrator(const QString& name) { return NamesMatch(name, u"admin"_s); }

QString GetUserPassword(const QString& name)
{
    if (IsAdministrator(name))
        return DecryptText(GetSetting(settingsApplication, settingsSection, settingsSecurity));
    if (!LookUpAccount(name))
        Raise(errUserNotFound, u"Get User Password"_s, u"User Not Found"_s);
    return DecryptText(rsUsers->FieldValue(u"User Password"_s).AsText());
}

void SetUserPassword(const QString& name, const QString& newPassword)
{
    if (IsAdministrator(name)) {
        SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(newPassword));
        return;
    }
    if (!LookUpAccount(name))
        Raise(errUserNotFound, u"Set User Password"_s, u"User Not Found"_s);
    rsUsers->Edit();
    try {
        rsUsers->SetFieldValue(u"User Password"_s, EncryptText(newPassword));
        rsUsers->Update();
    } catch (const RuntimeError&) {
        rsUsers->CancelUpdate();
        throw;
    }
}

void GrantAllRights()
{
    UserRights.fill(true);
    UserRights[0] = false;
    CurrentUserName = u"Admin"_s;
}

void LoadUserRights(const QString& name)
{
    if (!LookUpAccount(name)) {
        MsgBox(u"User account not found"_s, Icon::Exclamation);
        return;
    }
    const QString rights = rsUsers->FieldValue(u"User Rights"_s).AsText();
    const QString storedName = rsUsers->FieldValue(u"User Name"_s).AsText();
    for (int k = 1; k <= rightsCount; ++k)
        UserRights[k] = RightGranted(rights, k);
    CurrentUserName = storedName;
}

void LogInUser(const QString& name)
{
    if (IsAdministrator(name))
        GrantAllRights();
    else
        LoadUserRights(name);
}

void LogOffUser()
{
    CurrentUserName.clear();
    UserRights.fill(false);
}

bool RightGranted(const QString& rightsText, int position)
{
    return position >= 1 && position <= rightsText.size() && rightsText[position - 1] == u'1';
}

} // namespace levy
