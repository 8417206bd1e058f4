#include "WavelarkListBox.h"

#include <QKeyEvent>

WavelarkListBox::WavelarkListBox(int up, int down, int select)
    : QListWidget(nullptr), up_(up), down_(down), select_(select)
{}

void WavelarkListBox::setKeys(int up, int down, int select)
{
    up_ = up;
    down_ = down;
    select_ = select;
}

void WavelarkListBox::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const int row = currentRow();
    const int last = count() - 1;
    if (last < 0) {
        event->ignore();
        return;
    }
    if (key == up_)
        setCurrentRow(row <= 0 ? last : row - 1);
    else if (key == down_)
        setCurrentRow(row >= last ? 0 : row + 1);
    else if (key == select_)
        emit selected(row);
    else
        event->ignore();
    if (QListWidgetItem *item = currentItem())
        scrollToItem(item);
}
