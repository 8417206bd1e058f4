#include "ScreenRects.h"

#include "MainWidget.h"
#include "SoftKeyBar.h"

#include <QPointer>

namespace {

QPointer<QWidget> &mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QRect windowRect()
{
    QWidget *w = mainWindow();
    return w ? QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) : QRect();
}

int softKeyHeight()
{
    auto *main = qobject_cast<MainWidget *>(mainWindow().data());
    return main && main->softKeyBar() ? main->softKeyBar()->height() : 0;
}

} // namespace

void ScreenRects::setMainWindow(QWidget *window)
{
    mainWindow() = window;
}

QRect ScreenRects::content()
{
    return windowRect().adjusted(0, 0, 0, -softKeyHeight());
}

QRect ScreenRects::smallContent()
{
    const QRect full = content();
    return QRect(full.topLeft(), QSize(full.width(), full.height() / 2));
}

QRect ScreenRects::softKeyArea()
{
    const QRect window = windowRect();
    const int h = softKeyHeight();
    return QRect(window.left(), window.bottom() + 1 - h, window.width(), h);
}

QRect ScreenRects::mapFromGlobal(const QWidget *widget, const QRect &rect)
{
    return QRect(widget->mapFromGlobal(rect.topLeft()), rect.size());
}
