#include "WavelarkIndicators.h"

#include "InstalledData.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <utility>

QString wavelarkPictureDirectory()
{
    return QDir::homePath() + QStringLiteral("/.wavelark");
}

namespace {

constexpr qreal kOffOpacity = 0.3;

// The pictures are XPM files, read as such: a reader left to guess loads
// every image-format plugin (JPEG, GIF, ...) to ask each whether it reads
// them. A file of another format under the same name is still read.
QPixmap readPicture(const QString &path)
{
    QImageReader reader(path, "xpm");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull() && QFileInfo::exists(path))
        return QPixmap(path);
    return QPixmap::fromImage(std::move(image));
}

// A missing or unreadable file gives an empty picture, without a message.
void showPicture(QLabel *label, const QString &name)
{
    label->setPixmap(readPicture(userOrInstalledFile(name)));
}

// An indicator that is off shows its picture faintly, so that it reads as
// off and still says what a tap on it does.
void showDimmedPicture(QLabel *label, const QString &name)
{
    const QPixmap full = readPicture(wavelarkPictureDirectory() + name);
    if (full.isNull()) {
        label->setPixmap(full);
        return;
    }
    QPixmap dim(full.size());
    dim.fill(Qt::transparent);
    QPainter painter(&dim);
    painter.setOpacity(kOffOpacity);
    painter.drawPixmap(0, 0, full);
    painter.end();
    label->setPixmap(dim);
}

} // namespace

WavelarkVolume::WavelarkVolume(QWidget *parent, int volume) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    volume_ = std::clamp(volume, 0, 100);
    QLabel::setText(QString::number(volume_));
}

void WavelarkVolume::setVolume(int volume)
{
    volume_ = std::clamp(volume, 0, 100);
    if (!muted_)
        QLabel::setText(QString::number(volume_));
}

void WavelarkVolume::setMuted(bool muted)
{
    muted_ = muted;
    if (muted)
        showPicture(this, QStringLiteral("/mute.xpm"));
    else
        QLabel::setText(QString::number(volume_));
    emit muteChanged(muted);
}

void WavelarkVolume::mousePressEvent(QMouseEvent *)
{
    setMuted(!muted_);
}

WavelarkRepeat::WavelarkRepeat(QWidget *parent, int mode) : QLabel(parent)
{
    QLabel::setText(QString());
    setMode(mode);
}

void WavelarkRepeat::setMode(int mode)
{
    mode_ = mode;
    switch (mode) {
    case RepeatOff: showPicture(this, QStringLiteral("/repeatNone.xpm")); break;
    case RepeatEntry: showPicture(this, QStringLiteral("/repeatCurrent.xpm")); break;
    case RepeatAll: showPicture(this, QStringLiteral("/repeat.xpm")); break;
    default: break;
    }
    emit repeatChanged(mode);
}

void WavelarkRepeat::mousePressEvent(QMouseEvent *)
{
    setMode(nextRepeatMode(mode_));
}

WavelarkBlink::WavelarkBlink(QWidget *parent, const QString &content, int period, bool isPicture,
                             bool emitOnTick)
    : QLabel(parent), content_(content), isPicture_(isPicture), period_(period),
      emitOnTick_(emitOnTick)
{
    setTextFormat(Qt::PlainText);
    connect(&timer_, &QTimer::timeout, this, &WavelarkBlink::slotTimer);
    step();
}

void WavelarkBlink::step()
{
    if (shown_)
        QLabel::setText(QString());
    else if (isPicture_ && blinking_)
        showPicture(this, content_);
    else if (isPicture_)
        showDimmedPicture(this, content_);
    else
        QLabel::setText(content_);
    shown_ = !shown_;
}

void WavelarkBlink::slotTimer()
{
    step();
    if (emitOnTick_)
        emit blinkChanged(timer_.isActive());
}

void WavelarkBlink::setBlinking(bool on)
{
    if (on == blinking_)
        return;
    if (on) {
        timer_.start(period_);
        shown_ = false;
        blinking_ = true;
        step();
    } else {
        timer_.stop();
        shown_ = true;
        blinking_ = false;
        step();
        step();
    }
    emit blinkChanged(timer_.isActive());
}

void WavelarkBlink::stop()
{
    timer_.stop();
    blinking_ = false;
    shown_ = false;
    step();
}

void WavelarkBlink::stopAndBlank()
{
    stop();
    QLabel::setText(QString());
}

void WavelarkBlink::setText(const QString &text)
{
    if (isPicture_)
        return;
    content_ = text;
    if (shown_)
        QLabel::setText(text);
}

void WavelarkBlink::mousePressEvent(QMouseEvent *)
{
    setBlinking(!blinking_);
}

WavelarkShuffle::WavelarkShuffle(QWidget *parent, bool on) : QLabel(parent), on_(on)
{
    update();
}

void WavelarkShuffle::update()
{
    showPicture(this, on_ ? QStringLiteral("/shuffle.xpm") : QStringLiteral("/noShuffle.xpm"));
    emit shuffleChanged(on_);
}

void WavelarkShuffle::setOn(bool on)
{
    on_ = on;
    update();
}

void WavelarkShuffle::mousePressEvent(QMouseEvent *)
{
    setOn(!on_);
}
