#include "Dialog.h"

#include "IconReader.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

Dialog::Dialog(const QString &title, Kind kind, QWidget *parent)
    : QDialog(parent), kind_(kind), content_(new QVBoxLayout), buttons_(new QDialogButtonBox(this))
{
    setWindowTitle(title);
    setModal(true);
    if (kind == Kind::Error)
        setWindowIcon(IconReader::icon(QStringLiteral("Dialog_Error")));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(content_, 1);
    layout->addWidget(buttons_);
}

void Dialog::addContent(QWidget *content)
{
    content_->addWidget(content);
}

QPushButton *Dialog::addButton(const QString &text, bool accepts)
{
    QPushButton *button = buttons_->addButton(text, accepts ? QDialogButtonBox::AcceptRole
                                                            : QDialogButtonBox::RejectRole);
    connect(button, &QPushButton::clicked, this, accepts ? &QDialog::accept : &QDialog::reject);
    return button;
}
