#pragma once

#include "RadioPlayList.h"

#include <QByteArray>

// The PLS text of a list, in list order:
//   [playlist] / numberofentries=N / per entry Filen=url, an optional
//   Titlen=text, Lengthn=-1 / Version=2
// The title is the stream title when there is one, else the title when it
// differs from the url. Each line is Latin-1, or UTF-8 where Latin-1 cannot
// hold it (see encodePlayListLine), so that reading it back gives the same text.
QByteArray plsText(const RadioPlayList::Items &items);
