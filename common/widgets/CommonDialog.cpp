#include "CommonDialog.h"

#include "HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>
#include <deque>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
std::deque<QString> queued;
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
void CommonDialog::ClearQueue()
{
    queued.clear();
    shown.clear();
}

void CommonDialog::ShowOpen() { Show(false); }
void CommonDialog::ShowSave() { Show(true); }

void CommonDialog::Show(bool save)
{
    shown.append({save ? u"save"_s : u"open"_s, DialogTitle, Filter, FileName, Flags});
    QString chosen;
    if (!queued.empty() || MessageLog::Recording()) {
        if (!queued.empty()) {
            chosen = queued.front();
            queued.pop_front();
        }
    } else {
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
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty()) {
        FileName.clear();
        if (CancelError)
            Raise(cdlCancel, u"CommonDialog"_s, u"Cancel was selected."_s);
        return;
    }
    FileName = chosen;
}

void CommonDialog::ShowHelp() { HelpViewer::Instance().ShowTopic(HelpFile, HelpContext); }

} // namespace levy
