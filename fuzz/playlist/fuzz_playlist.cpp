// Every input is read as a plain list, as PLS and as M3U, both by the pure
// parser and into a list; a list read from PLS must come back whole through
// the PLS writer.
#include "PlayListParser.h"
#include "PlsWriter.h"
#include "RadioPlayList.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Plain M3U lines become local paths and nested playlists: resolve them in an
// empty folder so that a run touches nothing of the machine's. The working
// directory changes: name corpus folders by absolute paths.
void enterEmptyFolder()
{
    static QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        std::abort();
}

// Qt warns of every path with a NUL byte in it ("Broken filename passed to
// function"); millions of such lines slow a run down tenfold. A fatal
// message still ends the run.
void quietWarnings()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::abort();
        }
    });
}

void checkPlsRoundTrip(const RadioPlayList &list)
{
    RadioPlayList back;
    const QByteArray text = plsText(list.items());
    back.parse(QByteArrayView(text), PlayListFormat::Pls, false);
    if (back.count() != list.count()) {
        std::fprintf(stderr, "round trip: %d entries became %d\n", list.count(), back.count());
        std::abort();
    }
    for (int i = 0; i < list.count(); ++i)
        if (back.at(i)->url != list.at(i)->url)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = (enterEmptyFolder(), quietWarnings(), true);
    (void)ready;
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    for (PlayListFormat format :
         {PlayListFormat::PlainList, PlayListFormat::Pls, PlayListFormat::M3u}) {
        const auto entries = parsePlayList(text, format);
        RadioPlayList list;
        list.parse(text, format, true);
        // Nested playlists could add more in M3U; the other two never touch files.
        if (format != PlayListFormat::M3u && list.count() > int(entries.size()))
            std::abort();
        if (format == PlayListFormat::Pls)
            checkPlsRoundTrip(list);
    }
    return 0;
}
