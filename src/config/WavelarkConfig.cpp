#include "WavelarkConfig.h"

#include "ConfigValues.h"
#include "stream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

WavelarkConfig::WavelarkConfig(WavelarkSettings &settings, RadioStream &stream,
                               QStringList &recentSearches, QObject *parent)
    : QObject(parent), settings_(settings), stream_(stream), recentSearches_(recentSearches)
{}

void WavelarkConfig::message(const QString &text) const
{
    if (sink_) {
        sink_(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void WavelarkConfig::parseError(int line, const char *suffix) const
{
    message(path_ + tr(": parse error: line ") + QString::number(line) + tr(suffix));
}

bool WavelarkConfig::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        message(path + QStringLiteral(": ") + tr("could not open file for reading."));
        return false;
    }
    path_ = path;
    parse(file.readAll());
    return true;
}

void WavelarkConfig::parse(const QByteArray &text)
{
    qsizetype start = 0;
    int number = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray bytes = text.mid(start, end - start);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        parseLine(ConfigValues::decodeLine(bytes), ++number);
        start = end + 1;
    }
}

void WavelarkConfig::parseLine(const QString &raw, int number)
{
    // Comments are recognised only in the first column.
    if (raw.isEmpty() || raw.at(0) == QLatin1Char('#'))
        return;
    const QString line = raw.trimmed();
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) {
        parseError(number);
        return;
    }
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    for (const SettingKey &k : kSettingKeys) {
        if (key.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
            store(k, value, number);
            return;
        }
    }
    const int binding = KeyBindingTable::indexOf(key);
    if (binding >= 0) {
        bindings_.add(binding, value);
        return;
    }
    parseError(number);
}

bool WavelarkConfig::parseBool(const QString &value, bool current, int line)
{
    bool ok = false;
    const bool v = ConfigValues::parseBool(value, &ok);
    if (ok)
        return v;
    parseError(line, ", using default");
    return current;
}

QString WavelarkConfig::boolName(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void WavelarkConfig::store(const SettingKey &key, const QString &value, int line)
{
    if (key.type == ValueType::SearchList) {
        recentSearches_ += ConfigValues::parseSearchList(value);
        return;
    }
    if (key.intField)
        settings_.*key.intField = ConfigValues::parseInt(value);
    if (key.boolField)
        settings_.*key.boolField = parseBool(value, settings_.*key.boolField, line);
    if (key.stringField)
        settings_.*key.stringField = value;
    if (key.isStream())
        storeStream(key, value, line);
}

// One engine setting, through a copy of the engine's settings.
void WavelarkConfig::storeStream(const SettingKey &key, const QString &value, int line)
{
    using namespace ConfigValues;
    StreamSettings s = stream_.settings();
    if (key.streamInt)
        s.*key.streamInt =
            key.type == ValueType::ProxyType ? parseProxyType(value) : parseInt(value);
    if (key.streamLong)
        s.*key.streamLong = parseLong(value);
    if (key.streamSize)
        s.*key.streamSize = parseKbSize(value);
    if (key.streamBool)
        s.*key.streamBool = parseBool(value, s.*key.streamBool, line);
    if (key.streamString)
        s.*key.streamString = value;
    if (key.streamList)
        s.*key.streamList = parsePortList(value);
    stream_.setSettings(s);
}
