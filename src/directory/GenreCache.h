#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The genre cache file: one genre name per line, each ending in "\n", the
// search-results name first. Written as UTF-8; a line is read as UTF-8 when
// it is valid UTF-8, else as Latin-1.

// home + "/.wavelark/genre.cache", home being the user's home directory.
QString genreCachePath();

// The lines of the file ("\n" or "\r\n" ends a line; no empty line after the
// last end), or nothing when the file cannot be opened.
std::optional<QStringList> readGenreCacheLines(const QString &path);

// Replaces the file with the names (the folder is created when missing). The
// old file stays whole when writing fails. False when it could not be written.
bool writeGenreCacheLines(const QString &path, const QStringList &names);
