#include "RightsCommands.h"

#include "levy/SecurityEnforcement.h"
#include "widgets/FormControls.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
void SetBoxes(const RightBoxes& boxes, QWidget* within, bool granted)
{
    for (int k = 1; k <= rightsCount; ++k)
        if (!within || within->isAncestorOf(boxes[k]))
            boxes[k]->setCheckState(granted ? Qt::Checked : Qt::Unchecked);
}
} // namespace

RightsCommands MakeRightsCommands(QWidget* editor, QTabWidget* tabs, const RightBoxes& boxes)
{
    RightsCommands c{};
    auto button = [editor](const QString& name, const QString& caption, const QString& toolTip) {
        return MakeButton(editor, name, caption, toolTip, EnterKey::WhenFocused);
    };
    c.cmdGrantTab = button(u"cmdGrantTab"_s, u"Grant all on this tab"_s, u"Check every box of the tab shown"_s);
    c.cmdClearTab = button(u"cmdClearTab"_s, u"Clear this tab"_s, u"Clear every box of the tab shown"_s);
    c.cmdGrantAll = button(u"cmdGrantAll"_s, u"Grant all"_s, u"Check every box on every tab"_s);
    c.cmdClearAll = button(u"cmdClearAll"_s, u"Clear all"_s, u"Clear every box on every tab"_s);
    c.cmdCopyFrom = button(u"cmdCopyFrom"_s, u"Copy rights from\u2026"_s,
                           u"Set the boxes as another account's rights are set"_s);
    c.mnuCopyFrom = new QMenu(c.cmdCopyFrom);
    c.mnuCopyFrom->setObjectName(u"mnuCopyFrom"_s);
    c.cmdCopyFrom->setMenu(c.mnuCopyFrom);

    QObject::connect(c.cmdGrantTab, &QPushButton::clicked, editor,
                     [tabs, &boxes] { SetBoxes(boxes, tabs->currentWidget(), true); });
    QObject::connect(c.cmdClearTab, &QPushButton::clicked, editor,
                     [tabs, &boxes] { SetBoxes(boxes, tabs->currentWidget(), false); });
    QObject::connect(c.cmdGrantAll, &QPushButton::clicked, editor, [&boxes] { SetBoxes(boxes, nullptr, true); });
    QObject::connect(c.cmdClearAll, &QPushButton::clicked, editor, [&boxes] { SetBoxes(boxes, nullptr, false); });

    c.column = new QVBoxLayout;
    for (QPushButton* b : {c.cmdGrantTab, c.cmdClearTab, c.cmdGrantAll, c.cmdClearAll, c.cmdCopyFrom})
        c.column->addWidget(b);
    c.column->addStretch();
    return c;
}

void OfferRightsOf(RightsCommands& commands, const QList<QPair<QString, QString>>& accounts, const RightBoxes& boxes)
{
    commands.mnuCopyFrom->clear();
    for (const auto& [name, rights] : accounts) {
        QAction* item = commands.mnuCopyFrom->addAction(QString(name).replace(u'&', u"&&"_s));
        QObject::connect(item, &QAction::triggered, commands.mnuCopyFrom, [rights, &boxes] {
            for (int k = 1; k <= rightsCount; ++k)
                boxes[k]->setCheckState(RightGranted(rights, k) ? Qt::Checked : Qt::Unchecked);
        });
    }
    commands.cmdCopyFrom->setEnabled(!accounts.isEmpty());
}

} // namespace levy
