#pragma once

#include "RadioPlayList.h"

#include <QStringList>

inline QStringList urlsOf(const RadioPlayList &list)
{
    QStringList out;
    for (const auto &item : list.items())
        out << item->url;
    return out;
}

inline QStringList titlesOf(const RadioPlayList &list)
{
    QStringList out;
    for (const auto &item : list.items())
        out << item->title;
    return out;
}

inline std::unique_ptr<PlayListItem> makeEntry(const QString &url, const QString &title = "t",
                                               const QString &streamTitle = QString(),
                                               const QString &genre = QString(), int bitrate = 0)
{
    return std::make_unique<PlayListItem>(url, title, "", "", genre, streamTitle, bitrate);
}
