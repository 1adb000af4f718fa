#include "EditorTab.h"

#include "SqlEditor.h"
#include "utilities/GlobalUtilities.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

EditorTab::EditorTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"EditorTab"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    lblNotice = new QLabel(this);
    lblNotice->setObjectName(u"lblNotice"_s);
    lblNotice->setWordWrap(true);
    lblNotice->setFrameShape(QFrame::StyledPanel);
    lblNotice->setMargin(4);
    lblNotice->setBackgroundRole(QPalette::ToolTipBase);
    lblNotice->setForegroundRole(QPalette::ToolTipText);
    lblNotice->setAutoFillBackground(true);
    lblNotice->hide();
    layout->addWidget(lblNotice);
    txtSQL = new SqlEditor(this);
    txtSQL->setObjectName(u"txtSQL"_s);
    QFont font(u"Times New Roman"_s);
    font.setPointSizeF(11.25);
    txtSQL->setFont(font);
    layout->addWidget(txtSQL);
    connect(txtSQL, &QPlainTextEdit::textChanged, this, [this] {
        blnDirty = true;
        emit stateChanged();
    });
}

void EditorTab::Load(const QString& text, const QString& file)
{
    txtSQL->SetText(text);
    strCurrentFile = file;
    blnDirty = false;
    SetFileGone(false);
    SetNotice({});
    emit stateChanged();
}

void EditorTab::Saved(const QString& file)
{
    strCurrentFile = file;
    blnDirty = false;
    fileGone_ = false;
    SetNotice({});
    emit stateChanged();
}

void EditorTab::MarkChanged()
{
    blnDirty = true;
    emit stateChanged();
}

void EditorTab::SetFileGone(bool gone)
{
    fileGone_ = gone;
    if (gone)
        SetNotice(ToolTip());
    emit stateChanged();
}

void EditorTab::SetNotice(const QString& text)
{
    lblNotice->setText(text);
    lblNotice->setVisible(!text.isEmpty());
}

bool EditorTab::HasChangesToAskAbout() const
{
    const QString trimmed = TrimSpaces(txtSQL->Text());
    return blnDirty && !trimmed.isEmpty() && trimmed.compare(u"select"_s, Qt::CaseInsensitive) != 0;
}

QString EditorTab::Caption() const
{
    QString caption = strCurrentFile.isEmpty()
                          ? (untitledNumber > 1 ? u"Untitled %1"_s.arg(untitledNumber) : u"Untitled"_s)
                          : QFileInfo(strCurrentFile).fileName();
    if (fileGone_)
        caption += u" (file gone)"_s;
    // Changed texts are marked as editors mark them; "&" would be read as an access key.
    if (blnDirty)
        caption += u" *"_s;
    return caption.replace(u'&', u"&&"_s);
}

QString EditorTab::ToolTip() const
{
    if (fileGone_)
        return u"The file \"%1\" is no longer there. Its text is kept here; Save SQL asks where to keep it."_s.arg(
            QDir::toNativeSeparators(strCurrentFile));
    return strCurrentFile.isEmpty() ? u"Not saved in a file yet"_s : QDir::toNativeSeparators(strCurrentFile);
}

} // namespace levy
