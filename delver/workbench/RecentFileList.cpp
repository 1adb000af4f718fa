#include "RecentFileList.h"

#include "levy/DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace levy {

RecentFileList::RecentFileList(QMenu* menu, QString section, int size, std::function<void(const QString&)> open)
    : QObject(menu), menu_(menu), section_(std::move(section)), size_(size), open_(std::move(open))
{
    for (int i = 1; i <= size_; ++i)
        if (const QString path = GetSetting(settingsApplication, section_, u"RecentFile%1"_s.arg(i)); !path.isEmpty())
            files_.append(path);
    Fill();
}

void RecentFileList::Note(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    files_.removeAll(full);
    files_.prepend(full);
    while (files_.size() > size_)
        files_.removeLast();
    try {
        Save();
    } catch (const RuntimeError&) {
        // The file itself was opened or saved; only the list is not kept.
    }
    Fill();
}

void RecentFileList::Save()
{
    QList<QPair<QString, QString>> values;
    for (int i = 0; i < size_; ++i)
        values.append({u"RecentFile%1"_s.arg(i + 1), files_.value(i)});
    SaveSettings(settingsApplication, section_, values);
}

void RecentFileList::Fill()
{
    // The list may change from one of its own items: let those go once they are done.
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    for (int i = 0; i < files_.size(); ++i) {
        // An "&" of the path is shown, not taken for an access key.
        QString shown = QDir::toNativeSeparators(files_[i]);
        shown.replace(u'&', u"&&"_s);
        QAction* a = menu_->addAction(u"&%1 %2"_s.arg(i + 1).arg(shown));
        a->setObjectName(u"mnuFile_Recent%1"_s.arg(i + 1));
        a->setData(files_[i]);
        connect(a, &QAction::triggered, this, [this, path = files_[i]] { open_(path); });
    }
    menu_->setEnabled(!files_.isEmpty());
}

bool RecentFileList::StillThere(const QString& path)
{
    if (QFileInfo(path).isFile())
        return true;
    MsgBox(u"The file \"%1\" no longer exists. It has been removed from the list of recent files."_s.arg(
               QDir::toNativeSeparators(path)),
           Icon::Exclamation, u"Open SQL File"_s);
    files_.removeAll(path);
    Fill();
    Save();
    return false;
}

} // namespace levy
