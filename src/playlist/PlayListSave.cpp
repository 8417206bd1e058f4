#include "AtomicFile.h"
#include "PlsWriter.h"
#include "RadioPlayList.h"

#include <QFile>

#include <cerrno>

int RadioPlayList::save(const QString &path) const
{
    if (path.isEmpty())
        return EINVAL;
    if (items_.empty()) {
        QFile::remove(path);
        return 0;
    }
    return writeFileAtomically(path, plsText(items_));
}
