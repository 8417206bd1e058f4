#include "PlsWriter.h"

#include "PlayListText.h"

QByteArray plsText(const RadioPlayList::Items &items)
{
    QByteArray out;
    out += "[playlist]\n";
    out += "numberofentries=" + QByteArray::number(qsizetype(items.size())) + '\n';
    int n = 0;
    for (const auto &item : items) {
        const QByteArray num = QByteArray::number(++n);
        out += encodePlayListLine(QLatin1String("File") + QLatin1String(num) + u'=' + item->url);
        out += '\n';
        // An absent stream title reads as empty, whether null or "".
        const QString *title = !item->streamTitle.isEmpty() ? &item->streamTitle
                               : item->title != item->url   ? &item->title
                                                            : nullptr;
        if (title) {
            out += encodePlayListLine(QLatin1String("Title") + QLatin1String(num) + u'=' + *title);
            out += '\n';
        }
        out += "Length" + num + "=-1\n";
    }
    out += "Version=2\n";
    return out;
}
