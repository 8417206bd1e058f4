// What `valid` accepts: every module its own streams (also joined mid-frame
// and behind an ID3v2 tag where the format allows), and nothing else: not
// the other modules' streams, random bytes, text, HTML error pages or
// playlists. A false accept plays noise, so this is the matrix that matters.
#include "Fixtures.h"
#include "ModuleLoader.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <random>

namespace {

struct Sample
{
    std::string name;
    QByteArray bytes;
};

// The first 64 KiB of a stream: what the program offers on its first probe.
QByteArray head(const QByteArray &b)
{
    return b.left(64 * 1024);
}

QByteArray randomBytes(unsigned seed, int size)
{
    std::mt19937 rng(seed);
    QByteArray b(size, Qt::Uninitialized);
    for (char &c : b)
        c = char(rng());
    return b;
}

QByteArray id3Tag(int bodySize)
{
    QByteArray tag("ID3\x04\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag.append(char((bodySize >> shift) & 0x7f));
    QByteArray body("TIT2", 4);
    body.append(QByteArray(bodySize - 4, '\0'));
    return tag + body;
}

std::vector<Sample> foreignSamples()
{
    std::vector<Sample> s;
    for (unsigned seed = 1; seed <= 4; ++seed)
        s.push_back({"random" + std::to_string(seed), randomBytes(seed, 64 * 1024)});
    s.push_back({"zeros", QByteArray(64 * 1024, '\0')});
    s.push_back({"ones", QByteArray(64 * 1024, '\xff')});
    s.push_back(
        {"text", QByteArray("The quick brown fox jumps over the lazy dog.\n").repeated(500)});
    s.push_back({"html", "<!DOCTYPE html>\r\n<html><head><title>404 Not Found</title></head>"
                         "<body><h1>Not Found</h1><p>The requested URL /stream was not found on "
                         "this server.</p><hr></body></html>\r\n"});
    s.push_back({"http", "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/html\r\n\r\n"
                         "<html><body>Server full</body></html>"});
    s.push_back({"pls", "[playlist]\nNumberOfEntries=2\nFile1=http://127.0.0.1:8000/a\nTitle1=A\n"
                        "File2=http://127.0.0.1:8000/b\nTitle2=B\nVersion=2\n"});
    s.push_back({"m3u", "#EXTM3U\n#EXTINF:-1,Station\nhttp://127.0.0.1:8000/stream.mp3\n"});
    s.push_back({"id3_then_text", id3Tag(200) + QByteArray("not audio at all\n").repeated(400)});
    return s;
}

TEST(ModuleValid, EveryModuleAcceptsItsOwnStreams)
{
    for (const QString &name : moduleNames()) {
        const LoadedModule &m = loadModule(name);
        ASSERT_TRUE(m.ok()) << name.toStdString();
        for (const FixtureRecipe &recipe : standardFixtures(name)) {
            const QByteArray data = fixture(recipe);
            ASSERT_FALSE(data.isEmpty());
            EXPECT_EQ(m.probe(head(data)), 1) << recipe.id().toStdString();
            EXPECT_EQ(m.probe(data), 1) << recipe.id().toStdString();
        }
    }
}

TEST(ModuleValid, NoModuleAcceptsAnotherModulesStreams)
{
    const QStringList names = moduleNames();
    for (const QString &owner : names) {
        for (const FixtureRecipe &recipe : standardFixtures(owner)) {
            const QByteArray data = fixture(recipe);
            for (const QString &other : names) {
                if (other == owner)
                    continue;
                EXPECT_EQ(loadModule(other).probe(head(data)), 0)
                    << other.toStdString() << " accepted " << recipe.id().toStdString();
                EXPECT_EQ(loadModule(other).probe(data.mid(data.size() / 3)), 0)
                    << other.toStdString() << " accepted the middle of "
                    << recipe.id().toStdString();
            }
        }
    }
}

TEST(ModuleValid, NoModuleAcceptsNonAudio)
{
    const std::vector<Sample> samples = foreignSamples();
    for (const QString &name : moduleNames())
        for (const Sample &s : samples)
            EXPECT_EQ(loadModule(name).probe(s.bytes), 0)
                << name.toStdString() << " accepted " << s.name;
}

TEST(ModuleValid, FramedFormatsFindSyncMidFrameAndAfterId3)
{
    // Streams joined at an arbitrary byte (an ICY server) and files with a
    // leading tag; Ogg, RIFF and FLAC's magic only exist at the start, but
    // native FLAC frames are recognised mid-stream too.
    for (const QString &name : {QString("mp3"), QString("aac"), QString("flac")}) {
        if (!moduleNames().contains(name))
            continue;
        const LoadedModule &m = loadModule(name);
        for (const FixtureRecipe &recipe : standardFixtures(name)) {
            const QByteArray data = fixture(recipe);
            for (int offset : {1, 333, 4097, int(data.size() / 2)})
                EXPECT_EQ(m.probe(data.mid(offset, 64 * 1024)), 1)
                    << recipe.id().toStdString() << " from byte " << offset;
            EXPECT_EQ(m.probe(id3Tag(3000) + head(data)), 1) << recipe.id().toStdString();
        }
    }
}

TEST(ModuleValid, TooFewBytesAreNotEnoughToAccept)
{
    for (const QString &name : moduleNames()) {
        const QByteArray data = fixture(standardFixtures(name).front());
        // A stream whose leading tag is not complete yet, and a bare start.
        EXPECT_EQ(loadModule(name).probe(id3Tag(100000).left(3000) + data.left(2000)), 0)
            << name.toStdString();
        EXPECT_EQ(loadModule(name).probe(data.left(20)), 0) << name.toStdString();
    }
}

TEST(ModuleValid, AcceptedProbeDescribesTheStream)
{
    // The probe thread learns format and tags from the probe's handle.
    for (const QString &name : moduleNames()) {
        const LoadedModule &m = loadModule(name);
        const FixtureRecipe recipe = standardFixtures(name)[1];
        const QByteArray data = fixture(recipe);
        const int h = m.openFeed(nullptr, 0);
        ASSERT_EQ(m.getInfo(h)->flags, 0u) << "nothing known before any data";
        ASSERT_EQ(
            m.valid(h, reinterpret_cast<const unsigned char *>(data.constData()), int(data.size())),
            1);
        const DecoderInfo *info = m.getInfo(h);
        EXPECT_EQ(info->flags & WAVELARK_INFO_FORMAT_VALID, 1u) << name.toStdString();
        EXPECT_EQ(info->channels, 1u) << name.toStdString();
        if (name != "aac" && name != "wav") {
            ASSERT_NE(info->title, nullptr) << name.toStdString();
            EXPECT_EQ(QString(info->title), recipe.id());
        }
        m.finish(h);
    }
}

TEST(ModuleSearch, FirstAcceptingModuleInNameOrderIsTheStreamsOwner)
{
    // As the program searches: the installed folder listed by name ignoring
    // case, each library opened and asked in turn; the first yes wins.
    TempHome home;
    const QString folder = home.file(".wavelark/plugins");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString &name : moduleNames())
        ASSERT_TRUE(QFile::link(modulePath(name), folder + "/" + name + ".so"));
    const QStringList entries = QDir(folder).entryList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    ASSERT_EQ(entries.size(), moduleNames().size());

    auto search = [&](const QByteArray &data) -> QString {
        for (const QString &entry : entries) {
            void *lib = dlopen(QFile::encodeName(folder + "/" + entry).constData(), RTLD_NOW);
            if (!lib)
                continue;
            auto init = reinterpret_cast<WavelarkInitFn>(dlsym(lib, "init"));
            auto open = reinterpret_cast<WavelarkOpenFeedFn>(dlsym(lib, "openFeed"));
            auto check = reinterpret_cast<WavelarkValidFn>(dlsym(lib, "valid"));
            auto done = reinterpret_cast<WavelarkFinishFn>(dlsym(lib, "finish"));
            int accepted = 0;
            if (init && open && check && done && init(0) == 0) {
                const int h = open(nullptr, 0);
                accepted = check(h, reinterpret_cast<const unsigned char *>(data.constData()),
                                 int(data.size()));
                done(h);
            }
            dlclose(lib);
            if (accepted == 1)
                return QFileInfo(entry).completeBaseName();
        }
        return {};
    };
    for (const QString &owner : moduleNames())
        for (const FixtureRecipe &recipe : standardFixtures(owner))
            EXPECT_EQ(search(head(fixture(recipe))), owner) << recipe.id();
    for (const Sample &s : foreignSamples())
        EXPECT_EQ(search(s.bytes), QString()) << s.name;
}

} // namespace
