// Writing the configuration file.
#include "WavelarkConfig.h"

#include "AtomicFile.h"
#include "ConfigValues.h"
#include "stream.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The folder holding the file (normally ~/.wavelark) is created on the first
// write, private to its owner.
void ensureFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(folder))
        return;
    if (QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), 0700);
}

// A value keeps to its own line: a line break inside it would end the entry
// there and turn the rest into a line of its own, even into another key.
QByteArray oneLine(QString value)
{
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return value.toUtf8();
}

} // namespace

QString WavelarkConfig::valueText(const SettingKey &key) const
{
    switch (key.type) {
    case ValueType::SearchList: return recentSearches_.join(QLatin1Char('|'));
    case ValueType::Bool:
        if (key.boolField)
            return boolName(settings_.*key.boolField);
        break;
    case ValueType::Int:
        if (key.intField)
            return QString::number(settings_.*key.intField);
        break;
    case ValueType::String:
        if (key.stringField)
            return settings_.*key.stringField;
        break;
    default: break;
    }
    return streamValueText(key);
}

QString WavelarkConfig::streamValueText(const SettingKey &key) const
{
    const StreamSettings s = stream_.settings();
    if (key.streamInt)
        return key.type == ValueType::ProxyType ? ConfigValues::proxyTypeName(s.*key.streamInt)
                                                : QString::number(s.*key.streamInt);
    if (key.streamLong)
        return QString::number(s.*key.streamLong);
    if (key.streamSize)
        return QString::number(s.*key.streamSize / 1024);
    if (key.streamBool)
        return boolName(s.*key.streamBool);
    if (key.streamString)
        return s.*key.streamString;
    if (key.streamList)
        return (s.*key.streamList).join(QLatin1Char(' '));
    return {};
}

QByteArray WavelarkConfig::text() const
{
    QByteArray out;
    for (const SettingKey &key : kSettingKeys) {
        out += key.comment;
        const QString value = valueText(key);
        if (value.isEmpty() && key.example)
            out += key.example;
        else
            out += key.name + QByteArray(" = ") + oneLine(value);
        out += "\n\n";
    }
    bindings_.writeAll(out);
    return out;
}

bool WavelarkConfig::write(const QString &path)
{
    ensureFolder(path);
    // Holds the proxy password: private to its owner. A crash or a full disk
    // in the middle must not cost the old file.
    writeError_ = writeFileAtomically(path, text(), 0600);
    if (writeError_ != 0) {
        message(path + QStringLiteral(": ") + tr("could not open file for writing."));
        return false;
    }
    path_ = path;
    return true;
}
