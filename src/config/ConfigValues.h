#pragma once

#include <QString>
#include <QStringList>

// Conversions between the file's value texts and setting values.
namespace ConfigValues {

// true/false when recognised; `ok` tells whether it was.
bool parseBool(const QString &value, bool *ok);
// Base 10; anything that is not a number in range gives 0.
int parseInt(const QString &value);
long parseLong(const QString &value);
// Kilobytes to bytes. A size that is negative or does not fit in an int
// of bytes gives 0, as text that is not a number does.
unsigned parseKbSize(const QString &value);
int parseProxyType(const QString &value);
QString proxyTypeName(int type);
// Ports separated by single blanks, each 1-65535 and digits only; any bad
// piece empties the whole list.
QStringList parsePortList(const QString &value);
// Split at "|", each piece trimmed, empty pieces dropped.
QStringList parseSearchList(const QString &value);
// A line's bytes as UTF-8 when they are valid UTF-8, otherwise as Latin-1.
QString decodeLine(const QByteArray &bytes);

} // namespace ConfigValues
