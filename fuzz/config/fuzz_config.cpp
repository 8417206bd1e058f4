// The configuration reader on arbitrary bytes; then the writer on whatever
// the reader stored, read back, must give the same text again.
#include "WavelarkConfig.h"
#include "stream.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

// Lines that put an engine back to the settings of a newly built one. Only
// the engine's own keys: the rest live in the settings, bindings and
// searches, which are new for every input. The writer leaves out empty values
// that have an example line, so those keys are first named with an empty
// value; the fresh engine's own lines follow.
QByteArray freshEngineText()
{
    RadioStream fresh(nullptr, nullptr, 0);
    WavelarkSettings settings;
    QStringList searches;
    WavelarkConfig config(settings, fresh, searches);
    QByteArray empties;
    QList<QByteArray> names;
    for (const SettingKey &key : kSettingKeys) {
        if (!key.isStream())
            continue;
        names.append(key.name);
        if (key.example)
            empties += key.name + QByteArray(" =\n");
    }
    QByteArray values;
    for (const QByteArray &line : config.text().split('\n'))
        if (names.contains(line.left(line.indexOf(' '))))
            values += line + '\n';
    return empties + values;
}

// A configuration over fresh settings and `stream`, which first gets the
// settings of a fresh engine, so no input depends on the ones before it.
struct FreshConfig
{
    explicit FreshConfig(RadioStream &stream, const QByteArray &reset)
        : config(settings, stream, searches)
    {
        config.setMessageSink([](const QString &) {});
        config.parse(reset);
    }
    WavelarkSettings settings;
    QStringList searches;
    WavelarkConfig config;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_config";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    // Engines are costly to build, so two of them serve all inputs.
    // Never destroyed: they outlive the application object.
    static RadioStream &stream = *new RadioStream(nullptr, nullptr, 0);
    static RadioStream &stream2 = *new RadioStream(nullptr, nullptr, 0);
    static const QByteArray reset = freshEngineText();

    FreshConfig first(stream, reset);
    first.config.parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray written = first.config.text();

    FreshConfig second(stream2, reset);
    second.config.parse(written);
    if (second.config.text() != written)
        std::abort();
    return 0;
}
