#pragma once

#include <QString>

// A song's title as a file name of its own: path separators, control
// characters and the characters other systems refuse become "_", leading
// dots and blanks go, and the name is cut to fit (whole characters) below
// the file system's limit with room for a counter and an extension. An
// empty result is "untitled".
QString songFileBase(const QString &title);

// The n-th name tried for a song's file: "<base>.<extension>" for n 1,
// then "<base> (n).<extension>".
QString songFileName(const QString &base, const QString &extension, int n);
