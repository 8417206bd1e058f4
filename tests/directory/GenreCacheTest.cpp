// Reading and writing the genre cache.
#include "DirectoryClientFixture.h"

#include "GenreCache.h"

#include <QFile>

using GenreCache = DirectoryClientFixture;

TEST_F(GenreCache, ReadsEachNameOnce)
{
    const QString path = home.write(".wavelark/genre.cache",
                                    "Search results\nRock\r\nJazz\nRock\nCaf\xc3\xa9\nCaf\xe9\n");
    EXPECT_EQ(genreCachePath(), path);
    ASSERT_TRUE(client->readGenreCache(path));
    EXPECT_EQ(names(client->genres()),
              (QStringList{"Search results", "Rock", "Jazz", QString::fromUtf8("Caf\xc3\xa9")}));
    // Reading again adds nothing.
    ASSERT_TRUE(client->readGenreCache(path));
    EXPECT_EQ(client->genreCount(), 4);
}

TEST_F(GenreCache, UnreadableCacheIsReported)
{
    const QString path = home.file(".wavelark/genre.cache");
    StderrCapture capture;
    EXPECT_FALSE(client->readGenreCache(path));
    EXPECT_EQ(capture.bytes(), path.toUtf8() + ": could open file for reading.\n");
    EXPECT_EQ(client->genreCount(), 1);
}

TEST_F(GenreCache, WritesTheListAndRewritesItWhole)
{
    const QString path = home.file(".wavelark/genre.cache"); // the folder does not exist yet
    client->addGenre("Rock");
    client->addGenre(QString::fromUtf8("Caf\xc3\xa9"));
    ASSERT_TRUE(ShoutCast::writeGenreCache(path, client->genres()));
    EXPECT_EQ(readAllBytes(path), "Search results\nRock\nCaf\xc3\xa9\n");

    // A shorter list replaces the file; the old contents leave no trace.
    ASSERT_TRUE(ShoutCast::writeGenreCache(path, {ShoutCastGenre("Search results")}));
    EXPECT_EQ(readAllBytes(path), "Search results\n");

    // A round trip through a second client.
    ShoutCast other(nullptr, stream.get());
    ASSERT_TRUE(ShoutCast::writeGenreCache(path, client->genres()));
    ASSERT_TRUE(other.readGenreCache(path));
    EXPECT_EQ(names(other.genres()), names(client->genres()));

    // A folder where the file should be: not writable, nothing changed.
    QDir(home.path()).mkpath("blocked/genre.cache");
    EXPECT_FALSE(ShoutCast::writeGenreCache(home.file("blocked/genre.cache"), client->genres()));
}
