#include "frmSteward_UserAccounts_AccessRights.h"

#include "database/Recordset.h"
#include "frmSteward_UserAccounts.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/HelpRoutines.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/DialogKeys.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"
#include "widgets/ScreenFit.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSteward_UserAccounts_AccessRights::frmSteward_UserAccounts_AccessRights(frmSteward_UserAccounts* owner)
    : QDialog(owner), owner_(owner)
{
    SetUpDialog(*this, u"frmSteward_UserAccounts_AccessRights"_s, u"User Account : [Name]"_s);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(u"SSTab1"_s);
    SSTab1->setUsesScrollButtons(false);
    SSTab1->setAccessibleName(u"Rights by area"_s);
    const std::array<QString, 7> labelNames = {u"Label1"_s, u"Label2"_s, u"Label5"_s, u"Label4"_s,
                                               u"Label3"_s, u"Label6"_s, u"Label7"_s};
    std::array<QLabel**, 7> labels = {&Label1, &Label2, &Label5, &Label4, &Label3, &Label6, &Label7};
    for (size_t t = 0; t < RightsTabs().size(); ++t) {
        auto* page = new QWidget;
        auto* column = new QVBoxLayout(page);
        column->setContentsMargins(16, 12, 16, 12);
        QLabel* label = new QLabel(u"Allow the user to do the following:"_s, page);
        label->setObjectName(labelNames[t]);
        *labels[t] = label;
        column->addWidget(label);
        column->addSpacing(4);
        for (const RightInfo& right : RightsTable()) {
            if (right.tab != RightsTabs()[t])
                continue;
            auto* box = new QCheckBox(right.caption, page);
            box->setObjectName(right.checkBox);
            box->setTristate(false);
            column->addWidget(box);
            chkRights[right.position] = box;
        }
        column->addStretch();
        // A tab's boxes scroll where the screen is too small for them.
        auto* scroller = new QScrollArea;
        scroller->setObjectName(u"scroll"_s + labelNames[t]);
        scroller->setWidgetResizable(true);
        scroller->setFrameShape(QFrame::NoFrame);
        // Tab goes from box to box, each scrolled into view; the area itself takes no focus.
        scroller->setFocusPolicy(Qt::NoFocus);
        scroller->setWidget(page);
        SSTab1->addTab(scroller, RightsTabs()[t]);
    }
    SSTab1->setCurrentIndex(int(RightsTabs().size()) - 1);
    rightsCommands = MakeRightsCommands(this, SSTab1, chkRights);

    // Enter saves and Escape cancels, as in every other dialog of the console; a
    // focused button takes Enter for itself.
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s,
                           u"Click here to close this window without saving the changes made."_s,
                           EnterKey::WhenFocused);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s, u"Click here to get assistance"_s, EnterKey::WhenFocused);
    cmdSave = MakeButton(this, u"cmdSave"_s, u"Save"_s, u"Click here to save changes made and exit."_s,
                         EnterKey::Default);
    auto* top = new QHBoxLayout;
    top->addWidget(SSTab1);
    top->addLayout(rightsCommands.column);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(ButtonRow({cmdCancel, cmdHelp, cmdSave}));
    ChainTabOrder({cmdCancel, cmdHelp, cmdSave});
    // All seven tabs show at the design size; a smaller screen scrolls them.
    const QSize design = sizeHint();
    SSTab1->setUsesScrollButtons(true);
    SetDesignSize(this, design);
    CentreOverWhenShown(this, owner);

    connect(cmdHelp, &QPushButton::clicked, BindHelpKey(this, 320), &QAction::trigger);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdSave, &QPushButton::clicked, this, [this] { Guarded([this] { cmdSave_Click(); }); });

    Form_Load();
}

int frmSteward_UserAccounts_AccessRights::exec()
{
    if (!loaded_)
        return QDialog::Rejected;
    return QDialog::exec();
}

QString frmSteward_UserAccounts_AccessRights::AccountName() const { return owner_ ? owner_->SelectedName() : QString(); }

Qt::CheckState frmSteward_UserAccounts_AccessRights::RightToCheckValue(const QString& rightsText, int position)
{
    return position <= rightsText.size() && rightsText[position - 1] == u'1' ? Qt::Checked : Qt::Unchecked;
}

QChar frmSteward_UserAccounts_AccessRights::CheckValueToRight(Qt::CheckState value)
{
    return value == Qt::Checked ? u'1' : u'0';
}

void frmSteward_UserAccounts_AccessRights::Form_Load()
{
    const QString name = AccountName();
    Recordset& users = HeldUsers();
    users.SetIndex(u"User Name Index"_s);
    users.Seek(u"="_s, name);
    if (users.NoMatch()) {
        MsgBox(u"User account not found"_s, Icon::Exclamation);
        return;
    }
    const QString rights = users.FieldValue(u"User Rights"_s).AsText();
    for (int k = 1; k <= rightsCount; ++k)
        chkRights[k]->setCheckState(RightToCheckValue(rights, k));
    setWindowTitle(u"User Access Rights: "_s + name);
    QList<QPair<QString, QString>> others = AccountRights(users);
    others.removeIf([&name](const QPair<QString, QString>& account) { return account.first == name; });
    OfferRightsOf(rightsCommands, others, chkRights);
    loaded_ = true;
}

void frmSteward_UserAccounts_AccessRights::cmdSave_Click()
{
    QString rights;
    for (int k = 1; k <= rightsCount; ++k)
        rights.append(CheckValueToRight(chkRights[k]->checkState()));
    Recordset& users = HeldUsers();
    try {
        users.SetIndex(u"User Name Index"_s);
        users.Seek(u"="_s, AccountName());
        if (users.NoMatch()) {
            MsgBox(u"Unable to locate user account"_s, Icon::Critical);
            close();
            return;
        }
        users.Edit();
        users.SetFieldValue(u"User Rights"_s, rights);
        users.Update();
    } catch (const RuntimeError& error) {
        // Nothing was written; the boxes stay as set, so the user can try again or cancel.
        users.CancelUpdate();
        MsgBox(error.description, Icon::Exclamation);
        return;
    }
    accept();
}

} // namespace levy
