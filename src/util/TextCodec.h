#pragma once

#include <QByteArrayView>
#include <QString>

// Text from outside (files, servers, modules) arrives as UTF-8 or as
// Latin-1, unlabelled. Valid UTF-8 is taken as UTF-8; anything else as
// Latin-1, which maps every byte to a character and so loses nothing.
namespace wavelark {

bool isValidUtf8(QByteArrayView bytes);
QString decodeUtf8OrLatin1(QByteArrayView bytes);

} // namespace wavelark
