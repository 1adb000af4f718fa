#pragma once

#include <QString>

namespace levy {

// Delver's choices of the signed-in user (the export folder, how amounts show), kept in the
// per-user settings apart from other users of the same computer account.
QString UserChoice(const QString& key, const QString& defaultValue = {});
// Raises when the settings cannot be written.
void SaveUserChoice(const QString& key, const QString& value);

} // namespace levy
