#include "StateFile.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <cstring>

namespace {

// Far more than the few lines of a real file: a bigger one is not ours.
constexpr qint64 kMaxStateBytes = 64 * 1024;

bool parseBool(const QByteArray &value, bool &out)
{
    if (value != "true" && value != "false")
        return false;
    out = value == "true";
    return true;
}

bool applyLine(const QByteArray &key, const QByteArray &value, WindowState &state)
{
    bool ok = true;
    if (key == "volume" || key == "configVolume") {
        const int volume = value.toInt(&ok);
        ok = ok && volume >= 0 && volume <= 100;
        if (ok)
            (key == "volume" ? state.volume : state.configVolume) = volume;
        return ok;
    }
    if (key == "muted")
        return parseBool(value, state.muted);
    if (key == "listShown")
        return parseBool(value, state.listShown);
    if (key == "notifications")
        return parseBool(value, state.notifications);
    if (key == "closeToTray")
        return parseBool(value, state.closeToTray);
    if (key == "lastUrl")
        state.lastUrl = QString::fromUtf8(value);
    else if (key == "lastTitle")
        state.lastTitle = QString::fromUtf8(value);
    else if (key == "geometry")
        state.geometry = QByteArray::fromBase64(value);
    // Keys of a later version are left for it.
    return true;
}

} // namespace

QString StateFile::defaultPath()
{
    return QDir::homePath() + QStringLiteral("/.wavelark/state");
}

QByteArray StateFile::format(const WindowState &state)
{
    // One line per value: a URL or a title never holds a line break.
    const auto line = [](const char *key, const QByteArray &value) {
        QByteArray text = value;
        text.replace('\n', ' ').replace('\r', ' ');
        return QByteArray(key) + " = " + text + '\n';
    };
    QByteArray out = "# Wavelark's remembered state, written when it quits.\n";
    if (state.volume >= 0)
        out += line("volume", QByteArray::number(state.volume));
    if (state.configVolume >= 0)
        out += line("configVolume", QByteArray::number(state.configVolume));
    out += line("muted", state.muted ? "true" : "false");
    out += line("lastUrl", state.lastUrl.toUtf8());
    out += line("lastTitle", state.lastTitle.toUtf8());
    out += line("geometry", state.geometry.toBase64());
    out += line("listShown", state.listShown ? "true" : "false");
    out += line("notifications", state.notifications ? "true" : "false");
    out += line("closeToTray", state.closeToTray ? "true" : "false");
    return out;
}

bool StateFile::parse(const QByteArray &text, WindowState &state)
{
    WindowState parsed;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 ||
            !applyLine(line.left(equals).trimmed(), line.mid(equals + 1).trimmed(), parsed))
            return false;
    }
    state = parsed;
    return true;
}

StateRead StateFile::read(const QString &path)
{
    StateRead result;
    QFile file(path);
    if (!file.exists())
        return result;
    const auto unusable = [&path](const QString &why) {
        return path + QStringLiteral(": ") + why + QStringLiteral(", the defaults are used");
    };
    if (file.size() > kMaxStateBytes) {
        result.message = unusable(QStringLiteral("too large"));
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.message = unusable(file.errorString());
        return result;
    }
    if (!parse(file.readAll(), result.state)) {
        result.state = WindowState();
        result.message = unusable(QStringLiteral("not understood"));
    }
    return result;
}

int StateFile::write(const QString &path, const WindowState &state)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return errno != 0 ? errno : EACCES;
    return writeFileAtomically(path, format(state));
}
