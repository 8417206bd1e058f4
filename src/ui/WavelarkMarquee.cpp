#include "WavelarkMarquee.h"

#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <utility>

WavelarkMarquee::WavelarkMarquee(const QString &text, QWidget *parent, int interval,
                                 int sleepInterval)
    : QLabel(parent), interval_(std::max(0, interval)), sleepInterval_(sleepInterval)
{
    setTextFormat(Qt::PlainText);
    glyphs_.setTextFormat(Qt::PlainText);
    show(text, alignment() & Qt::AlignHorizontal_Mask);
    setAccessibleName(text);
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

void WavelarkMarquee::measure()
{
    // A line break would end the one line early; it is measured as a space.
    QString line = text_;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    offsets_.setText(line);
    offsets_.setFont(font());
    offsets_.beginLayout();
    offsets_.createLine(); // as wide as the text
    offsets_.endLayout();
    measured_ = true;
}

int WavelarkMarquee::textWidth(int from, int count)
{
    if (!measured_)
        measure();
    const QTextLine line = offsets_.lineAt(0);
    if (!line.isValid())
        return 0;
    const int length = int(text_.size());
    from = std::clamp(from, 0, length);
    const int to = std::clamp(from + count, from, length);
    return int(std::lround(std::abs(line.cursorToX(to) - line.cursorToX(from))));
}

int WavelarkMarquee::available() const
{
    return contentsRect().width();
}

void WavelarkMarquee::show(const QString &part, Qt::Alignment horizontal)
{
    setAlignment(horizontal | (alignment() & Qt::AlignVertical_Mask));
    if (part == shown_ && !glyphs_.text().isNull())
        return;
    shown_ = part;
    QString painted = part;
    painted.replace(QLatin1Char('\n'), QChar::LineSeparator);
    glyphs_.setText(painted.isNull() ? QStringLiteral("") : painted);
    glyphs_.prepare(QTransform(), font());
    const QSizeF size = glyphs_.size();
    const QMargins m = contentsMargins();
    const QSize hint(int(std::ceil(size.width())) + m.left() + m.right(),
                     int(std::ceil(size.height())) + m.top() + m.bottom());
    // Only the height is the layout's business: the width follows the window.
    const bool relayout = hint.height() != hint_.height();
    hint_ = hint;
    if (relayout)
        updateGeometry();
    update(contentsRect());
}

QSize WavelarkMarquee::sizeHint() const
{
    return hint_;
}

QSize WavelarkMarquee::minimumSizeHint() const
{
    return hint_;
}

void WavelarkMarquee::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    const QSize size = glyphs_.size().toSize();
    const QRect at = QStyle::alignedRect(layoutDirection(), alignment(), size, area);
    painter.setClipRect(area);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole()));
    painter.drawStaticText(at.topLeft(), glyphs_);
}

void WavelarkMarquee::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    // Shaped anew in the new font; a text too wide now scrolls.
    measured_ = false;
    const QString part = std::exchange(shown_, QString());
    glyphs_.setText(QString());
    show(part, alignment() & Qt::AlignHorizontal_Mask);
}

void WavelarkMarquee::fit()
{
    scrollTimer_.stop();
    sleepTimer_.stop();
    restartTimer_.stop();
    position_ = 0;
    const int w = available();
    const int length = int(text_.size());
    if (textWidth(0, length) <= w) {
        show(text_, Qt::AlignHCenter);
        return;
    }
    for (int i = 1; i < length; ++i) {
        if (textWidth(0, i) > w) {
            position_ = i;
            break;
        }
    }
    show(text_.left(position_), Qt::AlignLeft);
    sleepTimer_.start(sleepInterval_);
}

void WavelarkMarquee::setText(const QString &text)
{
    // The same text again (the status line on every progress event) would
    // only measure it anew; a text that scrolls starts over, as before.
    if (text == text_ && shown_ == text && (alignment() & Qt::AlignHCenter) && !isScrolling() &&
        !sleepTimer_.isActive() && !restartTimer_.isActive())
        return;
    if (text != text_) {
        text_ = text;
        measured_ = false;
        // The label's own text is left alone; screen readers read the whole text here.
        setAccessibleName(text);
    }
    fit();
}

void WavelarkMarquee::setInterval(int ms)
{
    interval_ = std::max(0, ms);
    // A text that fits has no step to take: its first tick would only stop the timer.
    if (textWidth(0, int(text_.size())) <= available()) {
        scrollTimer_.stop();
        return;
    }
    scrollTimer_.start(interval_);
}

void WavelarkMarquee::updateLabel()
{
    const int w = available();
    const int length = int(text_.size());
    if (textWidth(0, length) <= w) {
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
        if (textWidth(e, d) >= w)
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
        fit(); // fitted anew even when unchanged
}
