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

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
std::deque<QString> queued;
std::deque<std::pair<QString, bool>> queuedPrints;
QList<CommonDialog::Shown> shown;

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
} // namespace

CommonDialog::CommonDialog(QWidget* owner, const QString& name) : QObject(owner), owner_(owner)
{
    setObjectName(name);
}

void CommonDialog::QueueFileName(const QString& name) { queued.push_back(name); }
QList<CommonDialog::Shown> CommonDialog::ShownDialogs() { return shown; }
void CommonDialog::QueuePrint(const QString& pdfFile, bool selection) { queuedPrints.push_back({pdfFile, selection}); }

void CommonDialog::ClearQueue()
{
    queued.clear();
    queuedPrints.clear();
    shown.clear();
}

void CommonDialog::ShowOpen() { Show(false); }
void CommonDialog::ShowSave() { Show(true); }

QString CommonDialog::Ask(bool save)
{
    shown.append({save ? u"save"_s : u"open"_s, DialogTitle, Filter, FileName, Flags});
    if (!queued.empty() || MessageLog::Recording()) {
        if (queued.empty())
            return {};
        const QString chosen = queued.front();
        queued.pop_front();
        return chosen;
    }
    QFileDialog dialog(owner_, DialogTitle);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !(Flags & cdlOFNFileMustExist) ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(Filter);
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex - 1]);
    if (!(Flags & cdlOFNOverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().first();
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
        const QFileInfo info(chosen);
        QString refusal;
        if ((Flags & cdlOFNFileMustExist) && !info.isFile())
            refusal = u"%1\r\nFile not found.\r\nCheck the file name and try again."_s.arg(info.fileName());
        else if ((Flags & cdlOFNPathMustExist) && !info.absoluteDir().exists())
            refusal = u"%1\r\nPath does not exist.\r\nCheck the path and try again."_s.arg(chosen);
        else if ((Flags & cdlOFNNoReadOnlyReturn) && info.exists() && !info.isWritable())
            refusal = u"%1 is write-protected.\r\nChoose another file name."_s.arg(info.fileName());
        if (refusal.isEmpty()) {
            FileName = chosen;
            return;
        }
        MsgBox(refusal, Icon::Exclamation, DialogTitle);
    }
}

bool CommonDialog::ShowPrinter(QPrinter& printer)
{
    shown.append({u"print"_s, DialogTitle, Filter, FileName, Flags});
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
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
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
