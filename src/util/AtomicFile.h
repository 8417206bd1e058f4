#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Replaces the file at `path` with `bytes` so that a crash, a full disk or a
// failed write never leaves a truncated file behind: the bytes go to a
// temporary file in the same folder, which is synced and renamed over the
// old file only when every byte was written. A symbolic link is followed, so
// the link stays and its target is replaced. The new file gets `mode`.
//
// Returns 0 on success, else the errno of the step that failed (the old
// file is then untouched and the temporary file removed).
int writeFileAtomically(const QString &path, const QByteArray &bytes, mode_t mode);

// As above, keeping the mode of the file replaced; a new file gets 0666
// less the umask, as any file a program creates.
int writeFileAtomically(const QString &path, const QByteArray &bytes);
