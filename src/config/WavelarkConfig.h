#pragma once

#include "ConfigKeys.h"
#include "KeyBindings.h"
#include "WavelarkSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class RadioStream;

// Reads and writes the configuration file in place: the main widget's
// settings, the stream's settings (RadioStream::settings()), the recent
// directory searches and the key bindings. GUI thread only.
class WavelarkConfig : public QObject
{
    Q_OBJECT

public:
    // Receives each diagnostic line, without its newline. The default
    // writes it to standard error.
    using MessageSink = std::function<void(const QString &)>;

    // recentSearches holds the searches only, without the list box's
    // heading entry.
    WavelarkConfig(WavelarkSettings &settings, RadioStream &stream, QStringList &recentSearches,
                   QObject *parent = nullptr);

    // False only when the file cannot be opened; every line that can be
    // understood is applied.
    bool read(const QString &path);
    // Replaces the file whole, atomically, readable by its owner only.
    // False when it cannot be written; writeError() then tells why.
    bool write(const QString &path);
    // The errno of the last failed write, 0 after a successful one.
    int writeError() const { return writeError_; }

    // Applies the text of a configuration file; `path()` names it in messages.
    void parse(const QByteArray &text);
    // The file as write() would produce it from the current settings.
    QByteArray text() const;

    // "true"/"yes"/"1" and "false"/"no"/"0"; anything else keeps `current`
    // with a message naming the line.
    bool parseBool(const QString &value, bool current, int line);
    static QString boolName(bool value);

    QString path() const { return path_; }
    void setPath(const QString &path) { path_ = path; }
    void setMessageSink(MessageSink sink) { sink_ = std::move(sink); }

    // Key bindings.
    void addBinding(int index, const QString &value) { bindings_.add(index, value); }
    bool matches(int index, int keycode, bool modifierArmed) const
    {
        return bindings_.matches(index, keycode, modifierArmed);
    }
    bool isBound(int keycode, bool modifierArmed) const
    {
        return bindings_.isBound(keycode, modifierArmed);
    }
    int firstKeycode(int index) const { return bindings_.firstKeycode(index); }
    const KeyBindingTable &bindings() const { return bindings_; }

private:
    void parseLine(const QString &line, int number);
    void store(const SettingKey &key, const QString &value, int line);
    void storeStream(const SettingKey &key, const QString &value, int line);
    QString valueText(const SettingKey &key) const;
    QString streamValueText(const SettingKey &key) const;
    void message(const QString &text) const;
    void parseError(int line, const char *suffix = "") const;

    WavelarkSettings &settings_;
    RadioStream &stream_;
    QStringList &recentSearches_;
    KeyBindingTable bindings_;
    QString path_;
    MessageSink sink_;
    int writeError_ = 0;
};
