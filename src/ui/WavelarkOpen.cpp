// Opening URLs, files and folders, and adding them to the playlist.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "MessageBox.h"
#include "stream.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Callers of the text entry drop one trailing newline.
QString withoutNewline(QString text)
{
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

QFileInfoList folderEntries(const QString &folder, QDir::Filters filters)
{
    return QDir(folder).entryInfoList({QStringLiteral("*")}, filters | QDir::NoDotAndDotDot,
                                      QDir::Name | QDir::IgnoreCase);
}

} // namespace

bool Wavelark::openLocation(const QString &text, bool append)
{
    directory_->savePosition();
    if (text.isEmpty())
        return false;
    auto list = std::make_unique<RadioPlayList>();
    if (!list->addLocation(text, false)) {
        MessageBox::show(this, QStringLiteral("Dialog_Exclamatory_Mark.gif"),
                         tr("Unrecognized or invalid URL"), tr("OK"));
        return false;
    }
    if (append && stream->count() > 0) {
        // The stream's playlist refuses urls it already has.
        while (!list->isEmpty())
            stream->appendItem(list->takeAt(0));
    } else {
        setPlayList(list.release(), true);
    }
    directory_->forgetCurrentGenre();
    return true;
}

void Wavelark::slotOpenURL()
{
    lastUrl_ = withoutNewline(textDialog(tr("Open URL:"), lastUrl_));
    openLocation(lastUrl_, false);
}

void Wavelark::slotOpenFile()
{
    const FileChoice choice = fileDialog(tr("Open filename:"), QStringLiteral("*"), 0);
    if (!choice.cancelled && !choice.path.isEmpty())
        openLocation(QStringLiteral("file://") + choice.path, false);
}

// Every file of the folder, sub-folders left out; a folder without files
// leaves the playlist as it was.
void Wavelark::slotOpenFolder()
{
    const FileChoice choice = fileDialog(tr("Open all in folder:"), QStringLiteral("*"), 1);
    directory_->savePosition();
    if (choice.cancelled || choice.path.isEmpty())
        return;
    const QFileInfoList entries =
        folderEntries(choice.path, QDir::Dirs | QDir::Files | QDir::Drives);
    auto list = std::make_unique<RadioPlayList>();
    for (const QFileInfo &entry : entries)
        if (!entry.isDir())
            list->addLocation(QStringLiteral("file://") + choice.path + u'/' + entry.fileName(),
                              false);
    if (!list->isEmpty())
        setPlayList(list.release(), true);
}

void Wavelark::slotAppendToPlayList()
{
    const FileChoice choice = fileDialog(tr("Add folder or file:"), QStringLiteral("*"), 2);
    if (choice.cancelled || choice.path.isEmpty())
        return;
    if (QFileInfo(choice.path).isDir()) {
        // Hidden files (a folder's own settings, thumbnails) are not audio.
        const QFileInfoList entries =
            folderEntries(choice.path, QDir::Dirs | QDir::Files | QDir::Drives);
        for (const QFileInfo &entry : entries)
            if (!entry.isDir())
                openLocation(QStringLiteral("file://") + choice.path + u'/' + entry.fileName(),
                             true);
    } else {
        openLocation(QStringLiteral("file://") + choice.path, true);
    }
    postSelf(StreamTagsEvent);
}

void Wavelark::slotFlushFillBuffer()
{
    stream->skipBufferWait();
}
