#include "frmSteward_InstallSampleDB.h"

#include "InstallLocation.h"
#include "OfficeDatabase.h"
#include "levy/DatabaseAccess.h"
#include "platform/FileIdentity.h"
#include "platform/HiddenWorkingName.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/ScreenFit.h"
#include "widgets/Twips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
std::function<int(const char*)> placementFault;

// The error number a system call reports (0 when it succeeds), or the one a test makes
// it report instead of being made.
template <class Call>
int Fails(const char* name, Call call)
{
    if (placementFault)
        if (const int injected = placementFault(name))
            return injected;
    return call() < 0 ? errno : 0;
}

[[noreturn]] void RaisePlacement(const QString& target, int error)
{
    Raise(58, u"Install Sample Database"_s,
          u"The sample database could not be put at \"%1\": %2."_s.arg(QDir::toNativeSeparators(target),
                                                                    QString::fromLocal8Bit(std::strerror(error))));
}

// Writes the finished copy into a target made anew, which `made` then names. Not
// atomic: the last resort of a file system that can neither rename without replacing
// nor link.
int CopyIntoNewFile(const QString& copy, const QString& target, FileIdentity& made)
{
    int out = -1;
    if (const int error = Fails("open", [&] {
            return out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        }))
        return error;
    made = IdentityOfDescriptor(out);
    QFile in(copy);
    int error = in.open(QIODevice::ReadOnly) ? 0 : EIO;
    std::array<char, 1 << 16> buffer;
    while (!error) {
        const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            error = EIO;
        if (n <= 0)
            break;
        for (qint64 done = 0; done < n && !error;) {
            const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                error = errno;
            done += std::max<ssize_t>(w, 0);
        }
    }
    if (!error && ::fsync(out) != 0)
        error = errno;
    ::close(out);
    if (error)  // the half-written file is ours: it was made new above
        ::unlink(QFile::encodeName(target).constData());
    return error;
}

// Puts the finished copy at the target, never over a file that appeared meanwhile
// (that could be someone's database). Returns the file put there.
FileIdentity PutInPlace(const QString& copy, const QString& target)
{
    const QByteArray from = QFile::encodeName(copy), to = QFile::encodeName(target);
    FileIdentity made = IdentityOfFile(copy);  // a rename and a link keep the file
    int error = Fails("rename", [&] {
        return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    });
    // Network and user-space file systems may not know a rename that refuses to replace;
    // a hard link refuses as well.
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        error = Fails("link", [&] { return ::link(from.constData(), to.constData()); });
        if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP)
            error = CopyIntoNewFile(copy, target, made);
    }
    QFile::remove(copy);
    if (error)
        RaisePlacement(target, error);
    return made;
}

// Copies through a temporary file beside the target, so that a failed copy never
// leaves a half-written database under the chosen name. Returns the file made.
FileIdentity CopyDatabase(const QString& source, const QString& target)
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
    return PutInPlace(temporary, target);
}
} // namespace

frmSteward_InstallSampleDB::frmSteward_InstallSampleDB(QWidget* owner)
    : DatabaseInstallForm(owner, {u"frmSteward_InstallSampleDB"_s, u"Install Sample Database"_s,
                                  u"Click here to get help"_s, 230, true})
{
    SetDesignSize(this, {Twips(6795), std::max(Twips(1455), sizeHint().height())});
}

void frmSteward_InstallSampleDB::SetPlacementFaultForTests(std::function<int(const char* call)> fault)
{
    placementFault = std::move(fault);
}

void frmSteward_InstallSampleDB::cmdCreateDatabase_Click()
{
    try {
        const QString source = GetSampleDatabasePath();
        if (TrimSpaces(txtDBLocation->text()).isEmpty()) {
            MsgBox(u"Please enter the database location first"_s, Icon::Exclamation);
            return;
        }
        const QString target = AcceptedLocation(*dlgPath, *txtDBLocation, TrimSpaces(txtDBLocation->text()));
        if (target.isEmpty())
            return;
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
        const FileIdentity made = CopyDatabase(source, target);
        MsgBox(u"Sample database succesfully installed."_s + UseAsOfficeDatabase(target, made, windowTitle()),
               Icon::Information);
        accept();
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
    }
}

} // namespace levy
