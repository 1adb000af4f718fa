#pragma once

#include <QString>

#include <functional>

class QMenu;

namespace levy {

class FlexGrid;

// How the grid shows a negative amount besides its red: "-1 234.50" (the default),
// "1 234.50 DR", or by its colour only. The copy, the exports and the printout always
// carry the minus sign, whatever the user chose here.
enum class AmountSigns { Minus, Suffix, ColourOnly };

// An amount cell's text as shown: its magnitude (as the grid holds it) with the sign.
QString ShownAmount(const QString& magnitude, bool negative, AmountSigns signs);

// The signed-in user's choice; the minus sign when none was made.
AmountSigns SavedAmountSigns();
// Raises when the settings cannot be written.
void SaveAmountSigns(AmountSigns signs);

// Shows the grid's amounts with `signs`.
void ShowAmountSigns(FlexGrid& grid, AmountSigns signs);

// Adds the three choices to a View menu, under "Negative Amounts" (mnuView_SignMinus,
// mnuView_SignSuffix, mnuView_SignColour), applies the user's saved one to the grid, and keeps each new one;
// `changed` follows each change.
void AddAmountSignChoices(QMenu& view, FlexGrid& grid, const std::function<void()>& changed = {});

} // namespace levy
