#pragma once

#include <QLabel>
#include <QStaticText>
#include <QStringList>
#include <QTextLayout>
#include <QTimer>

// A label that scrolls a text too wide for it one character at a time,
// pausing at both ends, and that can hold several pages (the tag entries of
// the shown item). Texts are shown as plain text. GUI thread only.
//
// It paints the piece it shows itself: a text is shaped once when it is set
// (the piece's glyphs are kept for every repaint, the whole text's character
// offsets for the scroll steps), and a new text asks the window for a new
// layout only when its height changes. A plain label shapes a text anew for
// its size, for each repaint and for each width asked, and lays the window
// out again at each new text.
class WavelarkMarquee : public QLabel
{
    Q_OBJECT

public:
    // Shows `text` as a plain label until the first setText.
    WavelarkMarquee(const QString &text, QWidget *parent, int interval, int sleepInterval);

    // Hides QLabel::setText: fits or scrolls the text.
    void setText(const QString &text);
    QString text() const { return text_; }
    // The piece of it shown now.
    QString shown() const { return shown_; }

    // ms per one-character step; 0 means no scrolling. Starts the timer.
    void setInterval(int ms);
    int interval() const { return interval_; }
    // ms of the pause at both ends.
    void setSleepInterval(int ms) { sleepInterval_ = ms; }
    int sleepInterval() const { return sleepInterval_; }
    void stopScrolling() { scrollTimer_.stop(); }
    void resumeScrolling() { scrollTimer_.start(interval_); }
    bool isScrolling() const { return scrollTimer_.isActive(); }

    // An empty text is stored as "unspecified". With `show` the page
    // becomes current and is displayed.
    void addPage(const QString &text, bool show);
    void clearPages();
    void nextPage();
    void prevPage();
    int currentPage() const { return current_; }
    int pageCount() const { return int(pages_.size()); }
    bool showPage(int index);

public slots:
    void updateLabel();
    void sleep();
    void startTimer();

signals:
    void MarqueeMousePressEvent(WavelarkMarquee *marquee);
    void MarqueeMouseReleaseEvent(WavelarkMarquee *marquee);
    void MarqueeMouseDoubleClickEvent(WavelarkMarquee *marquee);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // A new width fits or scrolls the text anew.
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

public:
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    // Width of text_'s first `count` characters from `from` on, in pixels.
    int textWidth(int from, int count);
    int available() const;
    void show(const QString &part, Qt::Alignment horizontal);
    void measure();
    // Shows text_ whole and centred when it fits, else its head, and starts the pause.
    void fit();

    QString text_;
    // text_ laid out on one line, for its character offsets; built when
    // first asked after text_ changes.
    QTextLayout offsets_;
    bool measured_ = false;
    QString shown_;
    QStaticText glyphs_; // shown_ as painted
    QSize hint_;
    QTimer scrollTimer_;
    // One pending pause of each kind: a new text cancels the old text's.
    QTimer sleepTimer_;
    QTimer restartTimer_;
    int interval_ = 0;
    int sleepInterval_ = 0;
    int position_ = 0;
    QStringList pages_;
    int current_ = -1;
};
