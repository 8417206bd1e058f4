#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "QtPrinters.h"

// A private home directory for one test: HOME points at a fresh temporary
// folder for the object's lifetime, so nothing touches the user's
// ~/.wavelark. Restores the previous HOME when destroyed.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    QString path() const { return dir_.path(); }
    // Absolute path of `relative` inside the temporary home.
    QString file(const QString &relative) const { return dir_.filePath(relative); }
    // Writes `bytes` to `relative` (creating folders); returns its path.
    QString write(const QString &relative, const QByteArray &bytes) const;

private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
    bool hadHome_ = false;
};

// Whole contents of a file, or an empty array when it cannot be read.
QByteArray readAllBytes(const QString &path);
