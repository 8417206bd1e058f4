#include "GenreIndexParser.h"

#include "DirectoryText.h"

namespace {

constexpr QByteArrayView kNameMarker = "name=\"";

} // namespace

void GenreIndexParser::clearPending()
{
    pending_.clear();
    quoteFrom_ = 0;
}

GenreIndexParser::Outcome GenreIndexParser::feed(QByteArrayView piece, QStringList &names)
{
    pending_.append(piece);
    bool found = false;
    if (!headerFound_) {
        received_ += piece.size();
        if (pending_.size() <= 5 || !pending_.startsWith("<?xml ") ||
            !pending_.contains("<genrelist>"))
            return received_ > kHeaderLimit ? Outcome::Refused : Outcome::Accepted;
        headerFound_ = found = true;
    }
    parseNames(names);
    if (pending_.size() > kMaxPending)
        return Outcome::Refused;
    return found ? Outcome::HeaderFound : Outcome::Accepted;
}

// Repeats: the first name marker, the next quote after it, the name between
// them; the text then starts just after the marker.
void GenreIndexParser::parseNames(QStringList &names)
{
    const QByteArrayView text(pending_);
    qsizetype pos = 0;
    while (text.size() - pos > kNameMarker.size()) {
        const qsizetype marker = text.indexOf(kNameMarker, pos);
        if (marker < 0) {
            // Only the last bytes can begin a marker that the next piece ends.
            pos = text.size() - (kNameMarker.size() - 1);
            break;
        }
        const qsizetype start = marker + kNameMarker.size();
        const qsizetype quote = text.indexOf('"', qMax(start, marker + quoteFrom_));
        if (quote < 0) {
            quoteFrom_ = text.size() - marker;
            pos = marker;
            break;
        }
        names.append(xmlAttributeText(text.sliced(start, quote - start)));
        quoteFrom_ = 0;
        pos = start;
    }
    pending_.remove(0, pos);
}
