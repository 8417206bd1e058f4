#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable test failures for Qt's strings.
inline std::ostream &operator<<(std::ostream &os, const QString &s)
{
    return os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << s;
}

inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '{';
    for (const QString &s : list)
        *os << s << ' ';
    *os << '}';
}
