#include "HistoryDialog.h"

#include "MessageBox.h"
#include "SongHistory.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>

HistoryDialog::HistoryDialog(SongHistory &history, QWidget *parent)
    : Dialog(tr("Song history"), Kind::Normal, parent), history_(history),
      rows_(new QListWidget(this))
{
    rows_->setObjectName(QStringLiteral("historyRows"));
    rows_->setMinimumSize(300, 240);
    addContent(rows_);
    QPushButton *copy = addButton(tr("Copy"), false);
    QPushButton *clear = addButton(tr("Clear"), false);
    addButton(tr("Close"), true);
    // The two act without closing the window.
    for (QPushButton *button : {copy, clear})
        disconnect(button, nullptr, this, nullptr);
    connect(copy, &QPushButton::clicked, this, &HistoryDialog::copyRow);
    connect(clear, &QPushButton::clicked, this, &HistoryDialog::clearHistory);
    connect(rows_, &QListWidget::itemActivated, this, &HistoryDialog::copyRow);
    fill();
}

void HistoryDialog::fill()
{
    rows_->clear();
    for (const HistoryEntry &entry : history_.entries())
        rows_->addItem(SongHistory::describe(entry));
    if (rows_->count() == 0)
        rows_->addItem(tr("No song has played yet."));
    rows_->setCurrentRow(0);
}

void HistoryDialog::copyRow()
{
    const int row = rows_->currentRow();
    if (row < 0 || row >= history_.entries().size())
        return;
    const HistoryEntry &entry = history_.entries().at(row);
    const QString text = entry.station.isEmpty()
                             ? entry.title
                             : entry.title + QStringLiteral(" \u2014 ") + entry.station;
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
}

void HistoryDialog::clearHistory()
{
    if (history_.entries().isEmpty() ||
        !MessageBox::ask(this, QStringLiteral("Dialog_Empty_Trash.gif"),
                         tr("Clear the song history?"), tr("OK"), tr("Cancel")))
        return;
    history_.clear();
    fill();
}
