#pragma once

#include <QWidget>

class QScrollArea;
class SoftKeyBar;

// A main window of the phone's kind: a content area that scrolls
// vertically, with the soft-key bar below it. GUI thread only.
class MainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MainWidget(QWidget *parent = nullptr);

    // The scroll view that holds the content (created with the window).
    QScrollArea *scrollView() const { return scrollView_; }
    // Puts `content` into the scroll view; the view owns it from now on.
    void setContentWidget(QWidget *content);
    // Installs the bar below the content; the window owns it from now on.
    void setSoftKeyBar(SoftKeyBar *bar);
    SoftKeyBar *softKeyBar() const { return softKeyBar_; }

signals:
    // The on-screen keyboard (the input method's panel) came or went.
    void kbStateChanged(bool shown);

private:
    QScrollArea *scrollView_;
    SoftKeyBar *softKeyBar_ = nullptr;
};
