#include "FindReplaceDialog.h"

#include "SqlEditor.h"
#include "platform/MessageBox.h"
#include "widgets/FormControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

FindReplaceDialog::FindReplaceDialog(QWidget* owner, SqlEditor* editor) : QDialog(owner), editor_(editor)
{
    setObjectName(u"frmFindReplace"_s);
    setModal(false);
    auto* grid = new QGridLayout(this);
    auto* lblFind = new QLabel(u"Fi&nd what:"_s, this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(u"txtFind"_s);
    lblFind->setBuddy(txtFind);
    lblReplace = new QLabel(u"Re&place with:"_s, this);
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(u"txtReplace"_s);
    lblReplace->setBuddy(txtReplace);
    chkMatchCase = new QCheckBox(u"Match &case"_s, this);
    chkMatchCase->setObjectName(u"chkMatchCase"_s);
    cmdFindNext = MakeButton(this, u"cmdFindNext"_s, u"&Find Next"_s, {}, EnterKey::Default);
    cmdReplace = MakeButton(this, u"cmdReplace"_s, u"&Replace"_s, {}, EnterKey::WhenFocused);
    cmdReplaceAll = MakeButton(this, u"cmdReplaceAll"_s, u"Replace &All"_s, {}, EnterKey::WhenFocused);
    cmdClose = MakeButton(this, u"cmdClose"_s, u"Close"_s, {}, EnterKey::WhenFocused);
    grid->addWidget(lblFind, 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(lblReplace, 1, 0);
    grid->addWidget(txtReplace, 1, 1);
    grid->addWidget(chkMatchCase, 2, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdFindNext, cmdReplace, cmdReplaceAll, cmdClose})
        buttons->addWidget(b);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);

    connect(cmdFindNext, &QPushButton::clicked, this, [this] {
        if (!editor_->FindNext(txtFind->text(), chkMatchCase->isChecked()))
            NotFound();
    });
    connect(cmdReplace, &QPushButton::clicked, this, [this] {
        if (!editor_->ReplaceNext(txtFind->text(), txtReplace->text(), chkMatchCase->isChecked()))
            NotFound();
    });
    connect(cmdReplaceAll, &QPushButton::clicked, this, [this] {
        const int n = editor_->ReplaceAll(txtFind->text(), txtReplace->text(), chkMatchCase->isChecked());
        if (n == 0)
            NotFound();
        else
            MsgBox(n == 1 ? u"1 occurrence was replaced."_s : u"%1 occurrences were replaced."_s.arg(n),
                   Icon::Information, u"Replace"_s);
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::hide);
}

void FindReplaceDialog::Open(bool replacing)
{
    setWindowTitle(replacing ? u"Replace"_s : u"Find"_s);
    for (QWidget* w : std::initializer_list<QWidget*>{lblReplace, txtReplace, cmdReplace, cmdReplaceAll})
        w->setVisible(replacing);
    const QString selected = editor_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        txtFind->setText(selected);
    adjustSize();
    show();
    raise();
    activateWindow();
    txtFind->setFocus();
    txtFind->selectAll();
}

void FindReplaceDialog::FindNext()
{
    if (txtFind->text().isEmpty()) {
        Open(false);
        return;
    }
    if (!editor_->FindNext(txtFind->text(), chkMatchCase->isChecked()))
        NotFound();
}

void FindReplaceDialog::NotFound()
{
    MsgBox(u"Delver cannot find \"%1\"."_s.arg(txtFind->text()), Icon::Information, windowTitle());
}

} // namespace levy
