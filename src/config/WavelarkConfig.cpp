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
    if (key.stream != StreamSetting::None)
        storeStream(key.stream, value, line);
}

void WavelarkConfig::storeStream(StreamSetting which, const QString &value, int line)
{
    using namespace ConfigValues;
    RadioStream &s = stream_;
    switch (which) {
    case StreamSetting::None: break;
    case StreamSetting::ConnectTimeout: s.setConnectTimeout(parseLong(value)); break;
    case StreamSetting::InBufSize: s.setInBufSize(parseKbSize(value)); break;
    case StreamSetting::OutBufSize: s.setOutBufSize(parseKbSize(value)); break;
    case StreamSetting::RecordBufSize: s.setRecordBufSize(parseKbSize(value)); break;
    case StreamSetting::Proxy: s.setProxy(value); break;
    case StreamSetting::AllowedProxyPorts: s.setAllowedProxyPorts(parsePortList(value)); break;
    case StreamSetting::ProxyUsername: s.setProxyUsername(value); break;
    case StreamSetting::ProxyPassword: s.setProxyPassword(value); break;
    case StreamSetting::ProxyType: s.setProxyType(parseProxyType(value)); break;
    case StreamSetting::ReadInterval: s.setReadInterval(parseInt(value)); break;
    case StreamSetting::DecodeInterval: s.setDecodeInterval(parseInt(value)); break;
    case StreamSetting::FillOnEmpty:
        s.setFillOnEmpty(parseBool(value, s.fillOnEmpty(), line));
        break;
    case StreamSetting::DecodeWait: s.setDecodeWait(parseInt(value)); break;
    case StreamSetting::SkipBadFiles:
        s.setSkipBadFiles(parseBool(value, s.skipBadFiles(), line));
        break;
    case StreamSetting::SoundsVolume: s.setSoundsVolume(parseInt(value)); break;
    }
}
