#pragma once

#include "levy/UserRights.h"

#include <QList>
#include <QPair>
#include <QString>
#include <array>

class QCheckBox;
class QMenu;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class QWidget;

namespace levy {

// The rights editor's commands that set many boxes at once. They only set boxes: the
// editor's Save writes them, its Cancel forgets them.
struct RightsCommands {
    QPushButton* cmdGrantTab;
    QPushButton* cmdClearTab;
    QPushButton* cmdGrantAll;
    QPushButton* cmdClearAll;
    QPushButton* cmdCopyFrom;
    QMenu* mnuCopyFrom;  // one item per other account
    QVBoxLayout* column;  // the buttons, top to bottom
};

using RightBoxes = std::array<QCheckBox*, rightsCount + 1>;

RightsCommands MakeRightsCommands(QWidget* editor, QTabWidget* tabs, const RightBoxes& boxes);

// Offers the rights of these accounts (name, rights text) under "Copy rights from…".
void OfferRightsOf(RightsCommands& commands, const QList<QPair<QString, QString>>& accounts, const RightBoxes& boxes);

} // namespace levy
