#include "StationListParser.h"

#include "DirectoryText.h"
#include "DirectoryUrls.h"
#include "StationTokenizer.h"

namespace {

constexpr QByteArrayView kTuneInMarker = "<tunein base=\"";
constexpr QByteArrayView kStationStart = "<station ";
constexpr QByteArrayView kElementEnd = "/>";

} // namespace

bool StationListParser::hasTuneInElement(QByteArrayView text)
{
    // The first tunein element: its base value, then the element's end "/>".
    // A '/' inside a later quoted value (another path) does not end it.
    const qsizetype marker = text.indexOf(kTuneInMarker);
    if (marker < 0)
        return false;
    qsizetype at = text.indexOf('"', marker + kTuneInMarker.size());
    if (at < 0)
        return false;
    for (++at; at < text.size(); ++at) {
        if (text[at] == '"') {
            at = text.indexOf('"', at + 1);
            if (at < 0)
                return false;
        } else if (text[at] == '/') {
            return at + 1 < text.size() && text[at + 1] == '>';
        }
    }
    return false;
}

bool StationListParser::recognise() const
{
    return pending_.size() > 5 && pending_.startsWith("<?xml ") && hasTuneInElement(pending_);
}

void StationListParser::clearPending()
{
    pending_.clear();
    slashFrom_ = 0;
}

StationListParser::Outcome StationListParser::feed(QByteArrayView piece,
                                                   QList<ShoutCastStation> &stations,
                                                   const QString &root)
{
    pending_.append(piece);
    if (!headerFound_) {
        received_ += piece.size();
        if (!recognise())
            return received_ > kHeaderLimit ? Outcome::Refused : Outcome::Accepted;
        headerFound_ = true;
        stations.clear();
    }
    if (!tuneInTaken_)
        takeTuneInBase();
    parseStations(stations, root);
    return pending_.size() > kMaxPending ? Outcome::Refused : Outcome::Accepted;
}

// Drops the text through the first tunein marker, takes the base up to the
// next quote and drops that quote and the two characters after it ("/>").
void StationListParser::takeTuneInBase()
{
    tuneInTaken_ = true;
    const qsizetype marker = pending_.indexOf(kTuneInMarker);
    if (marker < 0)
        return;
    const qsizetype start = marker + kTuneInMarker.size();
    qsizetype quote = pending_.indexOf('"', start);
    if (quote < 0)
        quote = pending_.size();
    tuneInBase_ = xmlAttributeText(QByteArrayView(pending_).sliced(start, quote - start));
    pending_.remove(0, qMin(quote + 3, pending_.size()));
    slashFrom_ = 0;
}

// Each "/>" ends an element; it is a station when "<station " begins before
// it. Everything through the last "/>" is consumed.
void StationListParser::parseStations(QList<ShoutCastStation> &stations, const QString &root)
{
    const QByteArrayView text(pending_);
    const QString urlPrefix = tuneInUrlPrefix(root, tuneInBase_);
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = text.indexOf(kElementEnd, qMax(pos, slashFrom_));
        if (end < 0)
            break;
        const qsizetype start = text.sliced(pos, end - pos).indexOf(kStationStart);
        if (start >= 0) {
            ShoutCastStation station =
                parseStationElement(text.sliced(pos + start, end + 2 - pos - start));
            station.url = tuneInUrl(urlPrefix, station.id);
            stations.append(std::move(station));
        }
        pos = end + kElementEnd.size();
    }
    // The last character may begin a "/>" that the next piece completes.
    slashFrom_ = qMax<qsizetype>(0, text.size() - 1 - pos);
    pending_.remove(0, pos);
}
