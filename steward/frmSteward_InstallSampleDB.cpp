#include "frmSteward_InstallSampleDB.h"

#include "database/DatabaseAccess.h"
#include "platform/HiddenWorkingName.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"
#include "widgets/StatusBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// Copies through a temporary file beside the target, so that a failed copy never
// leaves a half-written database under the chosen name.
void CopyDatabase(const QString& source, const QString& target)
{
    const QFileInfo info(target);
    const QString temporary = info.absolutePath() + u'/' + HiddenWorkingPrefix(info.fileName()) + u"copying-"_s +
                              QString::number(QRandomGenerator::global()->generate(), 16);
    QFile from(source);
    if (!from.copy(temporary)) {
        // The copy's own text names the hidden working file; the reason a new file
        // cannot be made there is what the administrator needs to hear.
        QString reason = from.errorString();
        if (QFile probe(temporary); !probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            reason = probe.errorString();
        QFile::remove(temporary);
        Raise(75, u"Install Sample Database"_s,
              u"The sample database could not be copied to \"%1\": %2."_s.arg(QDir::toNativeSeparators(target),
                                                                           reason));
    }
    // A copy taken from read-only media must be writable; like every levy database it
    // is its owner's alone, whatever the installed original allows.
    QFile::setPermissions(temporary, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Never over a file that appeared meanwhile: that could be someone's database.
    if (::renameat2(AT_FDCWD, QFile::encodeName(temporary).constData(), AT_FDCWD,
                    QFile::encodeName(target).constData(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        QFile::remove(temporary);
        Raise(58, u"Install Sample Database"_s,
              u"The sample database could not be put at \"%1\": %2."_s.arg(QDir::toNativeSeparators(target),
                                                                        QString::fromLocal8Bit(std::strerror(error))));
    }
}
} // namespace

frmSteward_InstallSampleDB::frmSteward_InstallSampleDB(QWidget* owner) : QDialog(owner)
{
    setObjectName(u"frmSteward_InstallSampleDB"_s);
    setWindowTitle(u"Install Sample Database"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Label1 = new QLabel(u"Database Location"_s, this);
    Label1->setObjectName(u"Label1"_s);
    txtDBLocation = new ClickableLineEdit(this);
    txtDBLocation->setObjectName(u"txtDBLocation"_s);
    txtDBLocation->setReadOnly(true);
    txtDBLocation->setToolTip(u"Click here to enter the file name."_s);
    cmdCreateDatabase = new QPushButton(u"Install Database"_s, this);
    cmdCreateDatabase->setObjectName(u"cmdCreateDatabase"_s);
    cmdCreateDatabase->setToolTip(u"Click here to create the database"_s);
    cmdHelp = new QPushButton(u"Help"_s, this);
    cmdHelp->setObjectName(u"cmdHelp"_s);
    cmdHelp->setToolTip(u"Click here to get help"_s);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setToolTip(u"Click here to exit without creating a database"_s);
    for (QPushButton* b : {cmdCreateDatabase, cmdHelp, cmdCancel})
        b->setAutoDefault(false);
    dlgPath = new CommonDialog(this, u"dlgPath"_s);

    auto* row = new QHBoxLayout;
    row->addWidget(Label1);
    row->addWidget(txtDBLocation, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCreateDatabase);
    buttons->addWidget(cmdHelp);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setFixedSize(Twips(6795), std::max(Twips(1455), sizeHint().height()));

    connect(txtDBLocation, &ClickableLineEdit::clicked, this, [this] { Guarded([this] { txtDBLocation_Click(); }); });
    connect(cmdCreateDatabase, &QPushButton::clicked, this, [this] { Guarded([this] { cmdCreateDatabase_Click(); }); });
    connect(cmdHelp, &QPushButton::clicked, this, [] { Guarded([] { ShowHelpTopic(230); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSteward_InstallSampleDB::txtDBLocation_Click()
{
    dlgPath->DialogTitle = u"Specify the location for the database"_s;
    dlgPath->Filter = u"Databases (*.mdb)|*.mdb"_s;
    dlgPath->Flags = CommonDialog::cdlOFNPathMustExist | CommonDialog::cdlOFNHideReadOnly |
                     CommonDialog::cdlOFNNoReadOnlyReturn;
    dlgPath->FileName.clear();
    dlgPath->CancelError = false;
    dlgPath->ShowSave();
    txtDBLocation->setText(dlgPath->FileName);
}

void frmSteward_InstallSampleDB::cmdCreateDatabase_Click()
{
    try {
        const QString target = TrimSpaces(txtDBLocation->text());
        const QString source = GetSampleDatabasePath();
        if (target.isEmpty()) {
            MsgBox(u"Please enter the database location first"_s, Icon::Exclamation);
            return;
        }
        if (!QFileInfo(source).isFile()) {
            MsgBox(u"Unable To Locate Sample Database setupp information. "_s + u"Please contact technical support."_s,
                   Icon::Critical);
            return;
        }
        if (QFileInfo::exists(target)) {
            MsgBox(u"A file with the same name as that specified for the destination already "_s +
                       u"exists. To use the filename, delet the current file first."_s,
                   Icon::Exclamation);
            return;
        }
        CopyDatabase(source, target);
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, target);
        MsgBox(u"Sample database succesfully installed."_s, Icon::Information);
        accept();
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
    }
}

} // namespace levy
