#include "SoftKeyBar.h"

#include "IconReader.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

namespace {

QPushButton *softKey(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

} // namespace

SoftKeyBar::SoftKeyBar(const QString &middleText, const QString &leftIcon, const QString &rightIcon,
                       QWidget *parent)
    : QWidget(parent), left_(softKey(this)), middle_(softKey(this)), right_(softKey(this)),
      menu_(new QMenu(this))
{
    setObjectName(QStringLiteral("softKeys"));
    left_->setIcon(IconReader::icon(leftIcon));
    left_->setToolTip(tr("Menu"));
    left_->setMenu(menu_);
    middle_->setText(middleText);
    right_->setIcon(IconReader::icon(rightIcon));
    right_->setToolTip(tr("Quit"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(left_, 1);
    layout->addWidget(middle_, 2);
    layout->addWidget(right_, 1);
}

void SoftKeyBar::setMiddleText(const QString &text)
{
    middle_->setText(text);
}

QString SoftKeyBar::middleText() const
{
    return middle_->text();
}
