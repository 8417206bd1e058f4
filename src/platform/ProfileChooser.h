#pragma once

#include "Dialog.h"

#include <QStringList>

class QListWidget;

// The network profile chooser: a modal list of profile names with "OK" and
// "Cancel". The first name is chosen to begin with.
class ProfileChooser : public Dialog
{
    Q_OBJECT

public:
    explicit ProfileChooser(const QStringList &profiles, QWidget *parent = nullptr);

    QListWidget *list() const { return list_; }
    // The name chosen in the list; null when none is.
    QString chosen() const;

private:
    QListWidget *list_;
};

// The phone's profile chooser: 0 when the person chose one of `profiles`
// (written into `profile`), anything else when none was chosen.
int getProfileNamebySelect(QString &profile, const QStringList &profiles,
                           QWidget *parent = nullptr);
