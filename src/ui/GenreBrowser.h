#pragma once

#include "WavelarkListBox.h"
#include "shoutCast.h"

#include <QList>
#include <QStringList>

// The directory's genres, one row each in list order (row 0 is the search
// results), moved with the keys of keyUp and keyDown. The select key is
// left to the dialog around it. GUI thread only.
class GenreBrowser : public WavelarkListBox
{
    Q_OBJECT

public:
    GenreBrowser(QWidget *parent, int up, int down, int select);

    void setGenres(const QList<ShoutCastGenre> &genres);
    QStringList names() const { return names_; }

public slots:
    // The same, as a slot (GUI thread).
    void slotSetGenres(const QList<ShoutCastGenre> &genres);

signals:
    // A row was double-clicked: on a desktop that chooses it.
    void chosen(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QStringList names_;
};
