#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempHome::TempHome()
{
    hadHome_ = qEnvironmentVariableIsSet("HOME");
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir_.path()));
}

TempHome::~TempHome()
{
    if (hadHome_)
        qputenv("HOME", oldHome_);
    else
        qunsetenv("HOME");
}

QString TempHome::write(const QString &relative, const QByteArray &bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray readAllBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
