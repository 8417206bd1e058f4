#pragma once

#include <QByteArray>
#include <QByteArrayView>

// AES-128 in CBC mode with PKCS#7 padding, as HTTP Live Streaming encrypts
// whole segments. Null when the key or IV is not 16 bytes, the data is not
// whole blocks, or the padding is wrong (a wrong key).
QByteArray aes128CbcDecrypt(QByteArrayView data, QByteArrayView key, QByteArrayView iv);

// The IV of a segment whose key names none: its media sequence number.
QByteArray sequenceIv(qint64 sequence);
