#include "GenreBrowser.h"

#include "IconReader.h"
#include "shoutCast.h"

#include <QMouseEvent>

// The select key is given a code no key has, so that it reaches the dialog.
GenreBrowser::GenreBrowser(QWidget *parent, int up, int down, int) : WavelarkListBox(up, down, -1)
{
    setParent(parent);
}

void GenreBrowser::setGenres(const QList<ShoutCastGenre> &genres)
{
    names_.clear();
    for (const ShoutCastGenre &genre : genres)
        names_.append(genre.name);
    clear();
    const QIcon folder = IconReader::icon(QStringLiteral("FMMS_Personal_Folder_S.gif"));
    // Names come from the directory; list rows are plain text.
    for (const QString &name : std::as_const(names_))
        addItem(new QListWidgetItem(folder, name));
    setCurrentRow(0);
}

void GenreBrowser::slotSetGenres(const QList<ShoutCastGenre> &genres)
{
    setGenres(genres);
}

void GenreBrowser::mouseDoubleClickEvent(QMouseEvent *event)
{
    WavelarkListBox::mouseDoubleClickEvent(event);
    if (QListWidgetItem *entry = itemAt(event->position().toPoint()))
        emit chosen(row(entry));
}
