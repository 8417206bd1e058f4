// Without a usable libcurl, a station and a directory fetch end with an
// error instead of waiting for ever. Run with the stand-in library first on
// the search path (see CMakeLists.txt); skipped otherwise.
#include "EngineFixture.h"

#include "CurlLibrary.h"

#include <map>
#include <mutex>

namespace {

class NoLibcurl : public EngineFixture
{};

TEST_F(NoLibcurl, AStationAndAFetchEndWithAnError)
{
    if (qEnvironmentVariableIsEmpty("WAVELARK_TEST_NO_LIBCURL"))
        GTEST_SKIP() << "needs the stand-in libcurl";
    ASSERT_FALSE(curl::load());
    const QString why = QStringLiteral("libcurl could not be loaded");

    auto *list = new RadioPlayList;
    list->add(QStringLiteral("http://127.0.0.1:9/station"), QString());
    stream->setPlaylist(list, true);
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) {
        EXPECT_EQ(item->error, why);
        EXPECT_TRUE(item->bad);
    });
    stream->stop();

    std::map<unsigned, int> ends;
    std::mutex m;
    QObject::connect(
        stream.get(), &RadioStream::streamFetch, stream.get(),
        [&](unsigned id, const QByteArray *chunk) {
            std::lock_guard lock(m);
            EXPECT_EQ(chunk, nullptr);
            ++ends[id];
        },
        Qt::DirectConnection);
    const unsigned id = stream->startFetch(QStringLiteral("http://127.0.0.1:9/list"));
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(m);
        return ends[id] == 1;
    }));
    EXPECT_EQ(stream->takeFetchError(id), why);
    EXPECT_TRUE(waitUntil([&] { return stream->fetchCount() == 0; }));
}

} // namespace
