#pragma once

#include "Dialog.h"

class QListWidget;
class SongHistory;

// The song history window: every title that played, newest first; "Copy"
// or a double click copies a row, "Clear" empties the history after a
// question. Modal, opened from the View menu.
class HistoryDialog : public Dialog
{
    Q_OBJECT

public:
    HistoryDialog(SongHistory &history, QWidget *parent);
    QListWidget *rows() const { return rows_; }

private:
    void fill();
    void copyRow();
    void clearHistory();

    SongHistory &history_;
    QListWidget *rows_;
};
