#pragma once

#include "UserRights.h"

#include <QList>
#include <QPair>
#include <QString>
#include <array>

namespace levy {

class Recordset;

// The session: who is logged in and what they may do. "Admin" for the administrator,
// otherwise the account name as stored.
extern QString CurrentUserName;
// Indexed by right position 1 to 25 (entry 0 is unused).
extern std::array<bool, rightsCount + 1> UserRights;

// The administrator's account is any name that matches "admin"; it has no row in
// Users that is ever consulted, holds every right and keeps its password in the
// settings.
bool IsAdministrator(const QString& name);

// Puts a Users recordset on the first account of that name. Letter case does not count,
// in any alphabet: the file's index ignores it only in A to Z, and other programs read
// the file as it is, so the rest is compared here. False when there is no such account.
bool FindAccount(Recordset& users, const QString& name);

// Every account's name and rights text, in the order of "User Name Index". A rights
// text with no value reads as empty: every right denied.
QList<QPair<QString, QString>> AccountRights(Recordset& users);

// The account's password in plain text. Raises "User Not Found" for a name without an
// account.
QString GetUserPassword(const QString& name);
void SetUserPassword(const QString& name, const QString& newPassword);

// Makes an authenticated account the current user.
void LogInUser(const QString& name);
void LoadUserRights(const QString& name);
void GrantAllRights();
void LogOffUser();

// True when character `position` (from 1) of a rights text is "1".
bool RightGranted(const QString& rightsText, int position);

} // namespace levy
