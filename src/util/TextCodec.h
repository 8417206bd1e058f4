#pragma once

#include <QByteArrayView>
#include <QString>

// Text from outside (files, servers, modules) arrives as UTF-8 or as
// Latin-1, unlabelled. Valid UTF-8 is taken as UTF-8; anything else as
// Latin-1, which maps every byte to a character and so loses nothing.
namespace wavelark {

// True when every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, no
// code points past U+10FFFF, no sequence cut short at the end).
bool isValidUtf8(QByteArrayView bytes);
QString decodeUtf8OrLatin1(QByteArrayView bytes);

} // namespace wavelark
