#pragma once

#include "AudioOps.h"

#include <QByteArray>
#include <QString>

// Decodes the whole file with one feed, as a program using the module alone
// would: what the engine must hand the device for the same bytes.
QByteArray decodeDirectly(const QString &modulePath, const QByteArray &file,
                          const AudioFormatEntry *formats, int count);
