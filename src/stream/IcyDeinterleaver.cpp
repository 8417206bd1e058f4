#include "IcyDeinterleaver.h"

#include "HoldBuffer.h"
#include "IcyTags.h"

#include <algorithm>
#include <cstring>

bool IcyDeinterleaver::append(HoldBuffer &buf, const char *data, size_t len)
{
    if (len > buf.room())
        return false;
    if (expected_ != 0) {
        const size_t used = takePartial(buf, data, len);
        data += used;
        len -= used;
        if (expected_ != 0)
            return true;
    }
    if (interval_ <= 0) {
        buf.append(data, len);
        sinceMeta_ += len;
        return true;
    }
    const size_t m = size_t(interval_);
    while (len > 0) {
        const size_t need = sinceMeta_ < m ? m - sinceMeta_ : 0;
        if (len < need) {
            buf.append(data, len);
            sinceMeta_ += len;
            return true;
        }
        buf.append(data, need);
        data += need;
        len -= need;
        sinceMeta_ = 0;
        if (len == 0) {
            expected_ = -1;
            return true;
        }
        const size_t textLen = 16 * size_t(static_cast<unsigned char>(data[0]));
        if (len - 1 < textLen) {
            partial_.clear();
            partial_.reserve(qsizetype(textLen + 1));
            partial_.append(data, qsizetype(len));
            expected_ = int(textLen);
            return true;
        }
        queueText(data + 1, textLen, buf.fill());
        data += 1 + textLen;
        len -= 1 + textLen;
    }
    return true;
}

// Continues a metadata block that began in an earlier received block;
// returns how many bytes of data it took.
size_t IcyDeinterleaver::takePartial(HoldBuffer &buf, const char *data, size_t len)
{
    size_t used = 0;
    if (expected_ == -1) {
        if (len == 0)
            return 0;
        expected_ = 16 * int(static_cast<unsigned char>(data[0]));
        used = 1;
        if (expected_ == 0)
            return used;
        partial_.clear();
        partial_.reserve(expected_ + 1);
        partial_.append(data[0]);
    }
    const size_t need = size_t(expected_) + 1 - size_t(partial_.size());
    const size_t take = std::min(need, len - used);
    partial_.append(data + used, qsizetype(take));
    used += take;
    if (partial_.size() == expected_ + 1) {
        queueText(partial_.constData() + 1, size_t(expected_), buf.fill());
        partial_.clear();
        expected_ = 0;
    }
    return used;
}

void IcyDeinterleaver::queueText(const char *text, size_t len, size_t position)
{
    if (const void *zero = std::memchr(text, 0, len))
        len = size_t(static_cast<const char *>(zero) - text);
    if (len == 0)
        return;
    MetaMark mark{QByteArray(text, qsizetype(len)), qint64(position)};
    if (collect_)
        collect_->push_back(mark);
    if (queue_.size() >= MaxQueued)
        queue_.back() = std::move(mark);
    else
        queue_.push_back(std::move(mark));
}

void IcyDeinterleaver::setInterval(int m)
{
    interval_ = std::max(0, m);
}

void IcyDeinterleaver::stripHeader(HoldBuffer &buf, size_t headerLength, int interval)
{
    headerLength = std::min(headerLength, buf.fill());
    const QByteArray body(buf.data() + headerLength, qsizetype(buf.fill() - headerLength));
    reset();
    setInterval(interval);
    buf.clear();
    append(buf, body.constData(), size_t(body.size()));
}

void IcyDeinterleaver::reset()
{
    interval_ = 0;
    sinceMeta_ = 0;
    expected_ = 0;
    partial_ = QByteArray();
    queue_.clear();
}

std::optional<QString> IcyDeinterleaver::advance(size_t chunk)
{
    for (MetaMark &mark : queue_)
        mark.position -= qint64(chunk);
    std::optional<QByteArray> due;
    while (!queue_.empty() && queue_.front().position <= 0) {
        due = std::move(queue_.front().text);
        queue_.pop_front();
    }
    if (!due)
        return std::nullopt;
    return icyText(*due);
}
