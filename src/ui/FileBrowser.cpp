#include "FileBrowser.h"

#include "IconReader.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace {

QListWidgetItem *entryRow(const QString &icon, const QString &text)
{
    // QListWidget shows item texts as plain text: file names are safe here.
    return new QListWidgetItem(IconReader::icon(icon), text);
}

} // namespace

FileBrowser::FileBrowser(const QString &filter, QWidget *parent, const QString &name, int mode,
                         int up, int down, int select)
    : WavelarkListBox(up, down, select), filter_(filter), mode_(mode)
{
    setParent(parent);
    setObjectName(name);
    connect(this, &QListWidget::currentRowChanged, this, &FileBrowser::itemHighlighted);
    connect(this, &WavelarkListBox::selected, this, &FileBrowser::itemSelected);
    connect(this, &QListWidget::itemClicked, this, &FileBrowser::itemClicked);
}

bool FileBrowser::list(const QString &path)
{
    QDir dir(path);
    if (path.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;
    dir.setNameFilters({filter_});
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList folders =
        dir.entryInfoList(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot, order);
    // Hidden files are no one's audio; hidden folders stay reachable.
    const QFileInfoList files = dir.entryInfoList(QDir::Files, order);
    clear();
    const QString canonical = dir.canonicalPath();
    if (!QDir(canonical).isRoot())
        addItem(entryRow(QStringLiteral("FMMS_Personal_Folder_S.gif"), QStringLiteral("..")));
    for (const QFileInfo &folder : folders)
        addItem(entryRow(QStringLiteral("FMMS_Personal_Folder_S.gif"), folder.fileName()));
    for (const QFileInfo &file : files)
        addItem(entryRow(QStringLiteral("FMMS_Personal_File_S.gif"), file.fileName()));
    shownFolderAbsolute_ = QDir::cleanPath(dir.absolutePath());
    shownFolder_ = canonical;
    setCurrentRow(0);
    return true;
}

// At the root the name follows the single "/" (no "//name").
QString FileBrowser::rowPath(int index) const
{
    const QListWidgetItem *entry = item(index);
    if (!entry)
        return QString();
    const QString folder = shownFolder_.endsWith(u'/') ? shownFolder_ : shownFolder_ + u'/';
    return folder + entry->text();
}

void FileBrowser::itemHighlighted(int index)
{
    const QString path = rowPath(index);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.isFile()) {
        pickedFile_ = path;
        emit picked(path);
        emit isFilePicked(true);
    } else {
        pickedFile_.clear();
        emit isFilePicked(false);
    }
    if (info.isDir()) {
        pickedFolder_ = path;
        emit dirpicked(path);
        emit isDirPicked(true);
    } else {
        pickedFolder_.clear();
        emit isDirPicked(false);
    }
}

void FileBrowser::itemSelected(int index)
{
    const QString path = rowPath(index);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.isDir())
        list(path);
    else if (info.isFile())
        pickedFile_ = path;
    emit isFileClicked(info.isFile());
}

void FileBrowser::itemClicked(QListWidgetItem *entry)
{
    const QString path = rowPath(row(entry));
    if (!path.isEmpty() && QFileInfo(path).isDir())
        relistedByClick_ = list(path);
}

void FileBrowser::mousePressEvent(QMouseEvent *event)
{
    relistedByClick_ = false;
    WavelarkListBox::mousePressEvent(event);
}

// On a desktop a double click chooses the row as the select key does.
void FileBrowser::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (relistedByClick_) {
        relistedByClick_ = false;
        event->accept();
        return;
    }
    WavelarkListBox::mouseDoubleClickEvent(event);
    if (QListWidgetItem *entry = itemAt(event->position().toPoint()))
        itemSelected(row(entry));
}
