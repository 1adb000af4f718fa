#include "AmountSigns.h"

#include "FlexGrid.h"
#include "UserChoices.h"
#include "export/GridColours.h"
#include "widgets/Guard.h"

#include <QActionGroup>
#include <QMenu>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString signsKey = u"AmountSigns"_s;

QString KeyOf(AmountSigns signs)
{
    switch (signs) {
    case AmountSigns::Suffix: return u"Suffix"_s;
    case AmountSigns::ColourOnly: return u"ColourOnly"_s;
    case AmountSigns::Minus: break;
    }
    return u"Minus"_s;
}
} // namespace

QString ShownAmount(const QString& magnitude, bool negative, AmountSigns signs)
{
    // An amount that rounds to 0.00 shows no sign, as the copy writes it.
    const bool zero = std::all_of(magnitude.cbegin(), magnitude.cend(),
                                  [](QChar c) { return c == u'0' || c == u'.' || c == u' '; });
    if (!negative || zero || signs == AmountSigns::ColourOnly)
        return magnitude;
    if (signs == AmountSigns::Suffix)
        return magnitude + u" DR"_s;
    // Before the first digit: the text may be padded to line the figures up.
    QString text = magnitude;
    qsizetype first = 0;
    while (first < text.size() && text[first] == u' ')
        ++first;
    return text.insert(first, u'-');
}

AmountSigns SavedAmountSigns()
{
    const QString saved = UserChoice(signsKey);
    for (AmountSigns signs : {AmountSigns::Suffix, AmountSigns::ColourOnly})
        if (saved == KeyOf(signs))
            return signs;
    return AmountSigns::Minus;
}

void SaveAmountSigns(AmountSigns signs) { SaveUserChoice(signsKey, KeyOf(signs)); }

void ShowAmountSigns(FlexGrid& grid, AmountSigns signs)
{
    grid.SetShownText([signs](const QString& text, int colour) {
        return IsAmountColour(colour) ? ShownAmount(text, colour == gridRed, signs) : text;
    });
    // Read out with its sign whatever the screen shows: a reader sees no colour.
    grid.SetReadText([](const QString& text, int colour) {
        return IsAmountColour(colour) ? ShownAmount(text, colour == gridRed, AmountSigns::Minus) : text;
    });
}

void AddAmountSignChoices(QMenu& view, FlexGrid& grid, const std::function<void()>& changed)
{
    QMenu* negative = view.addMenu(u"&Negative Amounts"_s);
    negative->setObjectName(u"mnuView_NegativeAmounts"_s);
    auto* group = new QActionGroup(negative);
    AmountSigns saved = AmountSigns::Minus;
    Guarded([&] { saved = SavedAmountSigns(); });
    const struct {
        AmountSigns signs;
        QString name, caption;
    } choices[] = {{AmountSigns::Minus, u"mnuView_SignMinus"_s, u"-1 234.50"_s},
                   {AmountSigns::Suffix, u"mnuView_SignSuffix"_s, u"1 234.50 DR"_s},
                   {AmountSigns::ColourOnly, u"mnuView_SignColour"_s, u"Colour Only"_s}};
    for (const auto& choice : choices) {
        QAction* action = negative->addAction(choice.caption);
        action->setObjectName(choice.name);
        action->setCheckable(true);
        action->setChecked(choice.signs == saved);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, negative, [&grid, signs = choice.signs, changed] {
            ShowAmountSigns(grid, signs);
            grid.Refresh();
            Guarded([signs] { SaveAmountSigns(signs); });
            if (changed)
                Guarded(changed);
        });
    }
    ShowAmountSigns(grid, saved);
}

} // namespace levy
