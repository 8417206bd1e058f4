#pragma once

#include "Transport.h"

#include <QLabel>
#include <QTimer>

// The small indicators of the main window. Each shows its state as a
// picture from ~/.wavelark (a missing file shows nothing) or a short text,
// and changes it when tapped. GUI thread only.

// The folder the indicator pictures are read from: home + "/.wavelark".
QString wavelarkPictureDirectory();

class WavelarkVolume : public QLabel
{
    Q_OBJECT

public:
    WavelarkVolume(QWidget *parent, int volume);
    // Clamped to 0..100; shown unless muted. No signal.
    void setVolume(int volume);
    int volume() const { return volume_; }
    // Emits muteChanged(muted) whether or not it changed.
    void setMuted(bool muted);
    bool isMuted() const { return muted_; }

signals:
    void muteChanged(bool muted);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int volume_ = 0;
    bool muted_ = false;
};

// The mode a tap on the repeat indicator moves to.
constexpr int nextRepeatMode(int mode)
{
    return mode == RepeatAll ? RepeatOff : mode + 1;
}

class WavelarkRepeat : public QLabel
{
    Q_OBJECT

public:
    // 0 no repeat, 1 repeat the current item, 2 repeat all.
    WavelarkRepeat(QWidget *parent, int mode);
    void setMode(int mode);
    int mode() const { return mode_; }

signals:
    void repeatChanged(int mode);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int mode_ = 0;
};

class WavelarkBlink : public QLabel
{
    Q_OBJECT

public:
    // content is a text, or with isPicture the file name of a picture in
    // the picture folder ("/scan.xpm"). period: ms the content shows, and
    // then the blank. With emitOnTick every step emits blinkChanged.
    WavelarkBlink(QWidget *parent, const QString &content, int period, bool isPicture,
                  bool emitOnTick);

    void setBlinking(bool on);
    bool isBlinking() const { return blinking_; }
    // Stops the timer and shows the content steadily (a picture dimmed, as
    // an indicator that is off).
    void stop();
    void stopAndBlank();
    // Hides QLabel::setText. A picture indicator ignores it; otherwise the
    // new text replaces shown content at once, a blank stays blank.
    void setText(const QString &text);
    int period() const { return period_; }
    void setPeriod(int ms) { period_ = ms; }
    bool isPicture() const { return isPicture_; }

public slots:
    void slotTimer();

signals:
    void blinkChanged(bool blinking);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void step();

    QString content_;
    bool isPicture_;
    int period_;
    bool emitOnTick_;
    bool blinking_ = false;
    bool shown_ = false;
    QTimer timer_;
};

class WavelarkShuffle : public QLabel
{
    Q_OBJECT

public:
    WavelarkShuffle(QWidget *parent, bool on);
    void setOn(bool on);
    bool isOn() const { return on_; }

signals:
    void shuffleChanged(bool on);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void update();

    bool on_ = false;
};
