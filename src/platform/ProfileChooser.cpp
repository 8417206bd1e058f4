#include "ProfileChooser.h"

#include <QListWidget>

ProfileChooser::ProfileChooser(const QStringList &profiles, QWidget *parent)
    : Dialog(tr("Network profile"), Kind::Normal, parent), list_(new QListWidget)
{
    setObjectName(QStringLiteral("profileChooser"));
    list_->addItems(profiles);
    list_->setCurrentRow(0);
    addContent(list_);
    addButton(tr("OK"), true);
    addButton(tr("Cancel"), false);
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
}

QString ProfileChooser::chosen() const
{
    const QListWidgetItem *item = list_->currentItem();
    return item ? item->text() : QString();
}

int getProfileNamebySelect(QString &profile, const QStringList &profiles, QWidget *parent)
{
    if (profiles.isEmpty())
        return -1;
    ProfileChooser chooser(profiles, parent);
    if (chooser.exec() != QDialog::Accepted || chooser.chosen().isNull())
        return -1;
    profile = chooser.chosen();
    return 0;
}
