#include "CommonDialog.h"

#include "HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <deque>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
std::deque<std::pair<QString, int>> queued;
std::deque<std::pair<QString, bool>> queuedPrints;
QList<CommonDialog::Shown> shown;
std::function<void(const QString&)> whenChosen;

// "Text Files (*.TXT)|*.txt" becomes the dialog's "Text Files (*.TXT) (*.txt)" entries.
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.remove(u'(').remove(u')');
        out.append(parts[i] + u" ("_s + pattern.replace(u';', u' ') + u')');
    }
    return out;
}

// The extension of a filter entry's first pattern: "*.mdb" gives "mdb"; "*.*" and "*"
// give none.
QString DefaultExtension(const QString& filter, int index)
{
    const QStringList parts = filter.split(u'|');
    const qsizetype at = 2 * qsizetype(index - 1) + 1;
    if (index < 1 || at >= parts.size())
        return {};
    QString pattern = parts[at].section(u';', 0, 0).trimmed();
    pattern.remove(u'(').remove(u')');
    if (!pattern.startsWith(u"*."_s))
        return {};
    const QString extension = pattern.mid(2);
    if (extension.isEmpty() || extension.contains(u'*') || extension.contains(u'?') || extension.contains(u'.'))
        return {};
    return extension;
}

// A name typed without an extension gets the dialog's own, as the file dialog itself
// adds it (a name with a dot keeps what the user gave, and so does the name of
// something that exists: that is what the user meant, and is refused as such).
QString WithDefaultExtension(const QString& name, const QString& extension)
{
    const QFileInfo info(name);
    if (extension.isEmpty() || info.fileName().isEmpty() || info.fileName().contains(u'.') || info.exists())
        return name;
    return name + u'.' + extension;
}
} // namespace

CommonDialog::CommonDialog(QWidget* owner, const QString& name) : QObject(owner), owner_(owner)
{
    setObjectName(name);
}

void CommonDialog::QueueFileName(const QString& name, int filterIndex) { queued.push_back({name, filterIndex}); }
QList<CommonDialog::Shown> CommonDialog::ShownDialogs() { return shown; }
void CommonDialog::QueuePrint(const QString& pdfFile, bool selection) { queuedPrints.push_back({pdfFile, selection}); }

void CommonDialog::WhenChosen(std::function<void(const QString&)> act) { whenChosen = std::move(act); }

void CommonDialog::ClearQueue()
{
    whenChosen = nullptr;
    queued.clear();
    queuedPrints.clear();
    shown.clear();
}

void CommonDialog::ShowOpen() { Show(false); }
void CommonDialog::ShowSave() { Show(true); }

QString CommonDialog::Ask(bool save)
{
    shown.append(
        {save ? u"save"_s : u"open"_s, DialogTitle, Filter, FileName, Flags, FilterIndex, InitDir, AcceptLabel});
    if (!queued.empty() || MessageLog::Recording()) {
        if (queued.empty())
            return {};
        const auto [chosen, filterIndex] = queued.front();
        queued.pop_front();
        if (filterIndex > 0)
            FilterIndex = filterIndex;
        return save ? WithExtension(chosen) : chosen;
    }
    QFileDialog dialog(owner_, DialogTitle);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !(Flags & cdlOFNFileMustExist) ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(Filter);
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex - 1]);
    // The dialog adds the extension itself, so that its overwrite question is asked
    // about the name that will be written.
    if (save) {
        dialog.setDefaultSuffix(DefaultExtension(Filter, FilterIndex));
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters, this](const QString& selected) {
            dialog.setDefaultSuffix(DefaultExtension(Filter, int(filters.indexOf(selected)) + 1));
        });
    }
    if (!(Flags & cdlOFNOverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!InitDir.isEmpty())
        dialog.setDirectory(InitDir);
    if (!AcceptLabel.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, AcceptLabel);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().first();
    if (const qsizetype chosenFilter = filters.indexOf(dialog.selectedNameFilter()); chosenFilter >= 0)
        FilterIndex = int(chosenFilter) + 1;
    return save ? WithDefaultExtension(chosen, dialog.defaultSuffix()) : chosen;
}

QString CommonDialog::WithExtension(const QString& name) const
{
    return WithDefaultExtension(name, DefaultExtension(Filter, FilterIndex));
}

QString CommonDialog::Refusal(const QString& name) const
{
    const QFileInfo info(name);
    if ((Flags & cdlOFNFileMustExist) && !info.isFile())
        return u"%1\r\nFile not found.\r\nCheck the file name and try again."_s.arg(info.fileName());
    if ((Flags & cdlOFNPathMustExist) && !info.absoluteDir().exists())
        return u"%1\r\nPath does not exist.\r\nCheck the path and try again."_s.arg(name);
    if (Flags & cdlOFNNoReadOnlyReturn) {
        if (info.exists() && !info.isWritable())
            return u"%1 is write-protected.\r\nChoose another file name."_s.arg(info.fileName());
        // Asked of the system for this user: root passes mode bits, not a read-only mount.
        const QString folder = info.absolutePath();
        if (QFileInfo(folder).isDir() &&
            ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
            return u"%1\r\nYou cannot write in this folder.\r\nChoose another folder."_s.arg(
                QDir::toNativeSeparators(folder));
    }
    return {};
}

void CommonDialog::Show(bool save)
{
    for (;;) {
        const QString chosen = Ask(save);
        if (chosen.isEmpty()) {
            FileName.clear();
            if (CancelError)
                Raise(cdlCancel, u"CommonDialog"_s, u"Cancel was selected."_s);
            return;
        }
        // The dialog itself refuses a choice its flags rule out, and asks again.
        const QString refusal = Refusal(chosen);
        if (refusal.isEmpty()) {
            FileName = chosen;
            if (whenChosen)
                std::exchange(whenChosen, nullptr)(chosen);
            return;
        }
        MsgBox(refusal, Icon::Exclamation, DialogTitle);
    }
}

bool CommonDialog::ShowPrinter(QPrinter& printer)
{
    shown.append({u"print"_s, DialogTitle, Filter, FileName, Flags, FilterIndex, {}, {}});
    if (!queuedPrints.empty() || MessageLog::Recording()) {
        if (queuedPrints.empty() || queuedPrints.front().first.isEmpty()) {
            if (!queuedPrints.empty())
                queuedPrints.pop_front();
            if (CancelError)
                Raise(cdlCancel, u"CommonDialog"_s, u"Cancel was selected."_s);
            return false;
        }
        const auto [pdf, selection] = queuedPrints.front();
        queuedPrints.pop_front();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return selection;
    }
    QPrintDialog dialog(&printer, owner_);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, PrintSelectionChoice);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted) {
        if (CancelError)
            Raise(cdlCancel, u"CommonDialog"_s, u"Cancel was selected."_s);
        return false;
    }
    return printer.printRange() == QPrinter::Selection;
}

void CommonDialog::ShowHelp() { HelpViewer::Instance().ShowTopic(HelpFile, HelpContext); }

} // namespace levy
