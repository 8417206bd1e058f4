#include "Fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <map>

namespace {

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAll().constData());
        return false;
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray encode(const FixtureRecipe &s, const QString &title)
{
    const QString base = workDir().filePath(
        QStringLiteral("%1-%2s-%3").arg(s.id()).arg(s.seconds).arg(qHash(title)));
    const QString wav = base + ".wav";
    if (!run("sox", {"-D", "-n", "-r", QString::number(s.rate), "-c", QString::number(s.channels),
                     "-b", "16", wav, "synth", QString::number(s.seconds), "sine",
                     QString::number(s.tone), "vol", "0.5"}))
        return {};
    const QString artist = "Wavelark Tests", album = "Fixtures";
    const QString out = base + "." + s.codec;
    bool ok = false;
    if (s.codec == "wav") {
        return readFile(wav);
    } else if (s.codec == "mp3") {
        ok = run("lame", {"--quiet", "-b", s.channels == 1 ? "64" : "128", "--tt", title, "--ta",
                          artist, "--tl", album, "--add-id3v2", wav, out});
    } else if (s.codec == "vorbis") {
        ok = run("oggenc",
                 {"-Q", "-q", "3", "-t", title, "-a", artist, "-l", album, "-o", out, wav});
    } else if (s.codec == "opus") {
        ok = run("opusenc", {"--quiet", "--bitrate", "64", "--title", title, "--artist", artist,
                             "--album", album, wav, out});
    } else if (s.codec == "flac") {
        ok = run("flac", {"-s", "-f", "-T", "TITLE=" + title, "-T", "ARTIST=" + artist, "-T",
                          "ALBUM=" + album, "-o", out, wav});
    } else if (s.codec == "aac") {
        return readFile(QStringLiteral(WAVELARK_AAC_FIXTURES "/sine%1_%2_%3.aac")
                            .arg(s.tone)
                            .arg(s.rate)
                            .arg(s.channels == 1 ? "mono" : "stereo"));
    }
    return ok ? readFile(out) : QByteArray();
}

} // namespace

QString FixtureRecipe::id() const
{
    return QStringLiteral("%1-%2-%3ch-%4hz").arg(codec).arg(rate).arg(channels).arg(tone);
}

std::vector<FixtureRecipe> standardFixtures(const QString &codec)
{
    return {
        {codec, 44100, 2, 1000, 2.0}, {codec, 22050, 1, 440, 2.0}, {codec, 48000, 2, 1000, 2.0}};
}

QByteArray fixture(const FixtureRecipe &recipe)
{
    return fixture(recipe, recipe.id());
}

QByteArray fixture(const FixtureRecipe &recipe, const QString &title)
{
    static std::map<QString, QByteArray> cache;
    const QString key = recipe.id() + "|" + QString::number(recipe.seconds) + "|" + title;
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, encode(recipe, title)).first;
    return it->second;
}

QByteArray sourcePcm(const FixtureRecipe &recipe)
{
    FixtureRecipe asWav = recipe;
    asWav.codec = "wav";
    const QByteArray wav = fixture(asWav);
    const qsizetype data = wav.indexOf("data", 12);
    return data < 0 ? QByteArray() : wav.mid(data + 8);
}
