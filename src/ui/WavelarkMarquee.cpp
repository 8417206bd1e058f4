#include "WavelarkMarquee.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include <algorithm>
#include <utility>

WavelarkMarquee::WavelarkMarquee(const QString &text, QWidget *parent, int interval,
                                 int sleepInterval)
    : QLabel(parent), interval_(std::max(0, interval)), sleepInterval_(sleepInterval)
{
    setTextFormat(Qt::PlainText);
    QLabel::setText(text);
    // The label's width comes from the window, never from the text.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(1);
    scrollTimer_.setInterval(interval_);
    connect(&scrollTimer_, &QTimer::timeout, this, &WavelarkMarquee::updateLabel);
    sleepTimer_.setSingleShot(true);
    connect(&sleepTimer_, &QTimer::timeout, this, &WavelarkMarquee::sleep);
    restartTimer_.setSingleShot(true);
    connect(&restartTimer_, &QTimer::timeout, this, &WavelarkMarquee::startTimer);
}

int WavelarkMarquee::textWidth(const QString &text) const
{
    return fontMetrics().horizontalAdvance(text);
}

int WavelarkMarquee::available() const
{
    return contentsRect().width();
}

void WavelarkMarquee::show(const QString &part, Qt::Alignment horizontal)
{
    setAlignment(horizontal | (alignment() & Qt::AlignVertical_Mask));
    QLabel::setText(part);
}

void WavelarkMarquee::setText(const QString &text)
{
    // The same text again (the status line on every progress event) would
    // only measure it anew; a text that scrolls starts over, as before.
    if (text == text_ && QLabel::text() == text && (alignment() & Qt::AlignHCenter) &&
        !isScrolling() && !sleepTimer_.isActive() && !restartTimer_.isActive())
        return;
    scrollTimer_.stop();
    sleepTimer_.stop();
    restartTimer_.stop();
    position_ = 0;
    text_ = text;
    const int w = available();
    if (textWidth(text) <= w) {
        show(text, Qt::AlignHCenter);
        return;
    }
    for (int i = 1; i < text.size(); ++i) {
        if (textWidth(text.left(i)) > w) {
            position_ = i;
            break;
        }
    }
    show(text.left(position_), Qt::AlignLeft);
    sleepTimer_.start(sleepInterval_);
}

void WavelarkMarquee::setInterval(int ms)
{
    interval_ = std::max(0, ms);
    scrollTimer_.start(interval_);
}

void WavelarkMarquee::updateLabel()
{
    const int w = available();
    const int length = int(text_.size());
    if (textWidth(text_) <= w) {
        scrollTimer_.stop();
        return;
    }
    if (interval_ == 0)
        position_ = 0;
    // Start from as many of the widest characters as fit, then grow until
    // the piece fills the width or reaches the end of the text.
    int d = w / std::max(1, fontMetrics().maxWidth());
    const int e = position_;
    int grown = 0;
    while (e < length) {
        if (textWidth(text_.mid(e, d)) >= w)
            break;
        ++d;
        if (++grown + e >= length)
            break;
    }
    position_ = e + 1;
    show(text_.mid(e, d), Qt::AlignLeft);
    if (interval_ == 0) {
        scrollTimer_.stop();
        return;
    }
    if (d + position_ - 2 <= length)
        return;
    scrollTimer_.stop();
    sleepTimer_.start(sleepInterval_);
}

void WavelarkMarquee::sleep()
{
    if (scrollTimer_.isActive()) {
        scrollTimer_.stop();
        sleepTimer_.start(sleepInterval_);
    } else if (position_ == 0) {
        scrollTimer_.start(interval_);
    } else {
        position_ = 0;
        updateLabel();
        restartTimer_.start(sleepInterval_);
    }
}

void WavelarkMarquee::startTimer()
{
    position_ = 0;
    scrollTimer_.start(interval_);
}

void WavelarkMarquee::addPage(const QString &text, bool show)
{
    pages_.append(text.isEmpty() ? tr("unspecified") : text);
    if (show) {
        current_ = int(pages_.size()) - 1;
        setText(pages_.last());
    }
}

void WavelarkMarquee::clearPages()
{
    pages_.clear();
    current_ = -1;
    setText(QString());
}

void WavelarkMarquee::nextPage()
{
    if (pages_.size() < 2)
        return;
    showPage((current_ + 1) % int(pages_.size()));
}

void WavelarkMarquee::prevPage()
{
    if (pages_.isEmpty())
        return;
    showPage(current_ <= 0 ? int(pages_.size()) - 1 : current_ - 1);
}

bool WavelarkMarquee::showPage(int index)
{
    if (index < 0 || index >= pages_.size())
        return false;
    current_ = index;
    setText(pages_.at(index));
    return true;
}

void WavelarkMarquee::mousePressEvent(QMouseEvent *)
{
    emit MarqueeMousePressEvent(this);
}

void WavelarkMarquee::mouseReleaseEvent(QMouseEvent *)
{
    emit MarqueeMouseReleaseEvent(this);
}

void WavelarkMarquee::mouseDoubleClickEvent(QMouseEvent *)
{
    emit MarqueeMouseDoubleClickEvent(this);
}

void WavelarkMarquee::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (event->oldSize().width() != event->size().width() && !text_.isEmpty())
        setText(std::exchange(text_, QString())); // fitted anew even when unchanged
}
