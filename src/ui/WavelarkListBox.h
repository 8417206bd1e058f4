#pragma once

#include <QListWidget>

// A list moved and chosen with configurable keys; moving wraps at both ends.
class WavelarkListBox : public QListWidget
{
    Q_OBJECT

public:
    WavelarkListBox(int up, int down, int select);
    void setKeys(int up, int down, int select);

signals:
    void selected(int row);

public slots:
    void keyPressEvent(QKeyEvent *event) override;

private:
    int up_;
    int down_;
    int select_;
};
