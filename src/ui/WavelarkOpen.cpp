// Opening a location: a URL, a file or a playlist file becomes the playlist
// or is added to it.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "MessageBox.h"
#include "stream.h"

#include <QFileInfo>

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
    if (append && stream_->count() > 0) {
        // The stream's playlist refuses urls it already has.
        while (!list->isEmpty())
            stream_->appendItem(list->takeAt(0));
    } else {
        setPlayList(list.release(), true);
    }
    directory_->forgetCurrentGenre();
    return true;
}
