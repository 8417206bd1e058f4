// wavelark-headless [-R] [-v] [-c CONFIG] [-t SECONDS] LOCATION...
// Plays the locations through the engine without a window and prints one
// line per engine event on standard output. The directory modes
// (--genres, --stations, --search) are in DirectoryModes.h.
#include "DirectoryModes.h"
#include "HeadlessPlayer.h"

#include "AudioOps.h"
#include "RadioPlayList.h"
#include "Transport.h"
#include "UserPaths.h"
#include "WavelarkConfig.h"
#include "stream.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const char kUsage[] = "usage: wavelark-headless [-R] [-v] [-c CONFIG] [-t SECONDS] LOCATION...\n";

struct Options
{
    bool record = false; // -R: record remote streams into recordDirectory
    int verbosity = 0;
    QString configPath;
    int seconds = 0;
    QStringList locations;
};

bool parse(int argc, char **argv, Options &o)
{
    int c;
    opterr = 0;
    while ((c = getopt(argc, argv, "Rvc:t:")) != -1) {
        switch (c) {
        case 'R': o.record = true; break;
        case 'v': ++o.verbosity; break;
        case 'c': o.configPath = QString::fromLocal8Bit(optarg); break;
        case 't': o.seconds = std::atoi(optarg); break;
        default: return false;
        }
    }
    for (int i = optind; i < argc; ++i)
        o.locations += QString::fromLocal8Bit(argv[i]);
    return !o.locations.isEmpty() && o.seconds >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const std::optional<int> code = runDirectoryMode(argc, argv))
        return *code;
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    HeadlessPlayer player(nullptr, stdout);
    RadioStream stream(&player, sharedAudioOps(), options.verbosity);
    player.setStream(&stream);
    changeSetting(stream, &StreamSettings::decodeWait, 3);
    WavelarkSettings settings;
    QStringList searches;
    WavelarkConfig config(settings, stream, searches);
    config.read(options.configPath.isNull() ? UserPaths::forHome().configPath : options.configPath);
    Transport transport(stream, settings);
    player.setTransport(&transport);
    stream.setVolume(settings.volume);
    changeSetting(stream, &StreamSettings::soundsVolume, settings.soundsVolume);
    if (options.record)
        player.armRecording(settings.recordDirectory, settings.recordOneFile);

    auto *list = new RadioPlayList;
    for (const QString &location : options.locations)
        list->addLocation(location, false);
    if (list->isEmpty()) {
        std::fputs("wavelark-headless: nothing to play\n", stderr);
        delete list;
        return 1;
    }
    stream.setPlaylist(list, true);
    QObject::connect(&player, &HeadlessPlayer::finished, &app, &QCoreApplication::exit);
    if (options.seconds > 0)
        QTimer::singleShot(options.seconds * 1000, &app, [&] {
            stream.stop();
            QCoreApplication::exit(0);
        });
    // An entry that cannot be set up posts its error, which ends the run.
    transport.startPlayback();
    const int code = app.exec();
    stream.stop();
    // The engine never frees the playlist in use.
    delete stream.playlist();
    return code;
}
