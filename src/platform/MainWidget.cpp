#include "MainWidget.h"

#include "ScreenRects.h"
#include "SoftKeyBar.h"

#include <QGuiApplication>
#include <QInputMethod>

#include <QScrollArea>
#include <QVBoxLayout>

MainWidget::MainWidget(QWidget *parent) : QWidget(parent), scrollView_(new QScrollArea(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    scrollView_->setObjectName(QStringLiteral("sv"));
    scrollView_->setFrameShape(QFrame::NoFrame);
    scrollView_->setWidgetResizable(true);
    // Long texts scroll inside their marquees; the view itself only scrolls down.
    scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(scrollView_, 1);
    ScreenRects::setMainWindow(this);
    // The desktop's on-screen keyboard is the input method's panel.
    QInputMethod *input = QGuiApplication::inputMethod();
    connect(input, &QInputMethod::visibleChanged, this,
            [this, input] { emit kbStateChanged(input->isVisible()); });
}

void MainWidget::setContentWidget(QWidget *content)
{
    scrollView_->setWidget(content);
}

void MainWidget::setSoftKeyBar(SoftKeyBar *bar)
{
    if (softKeyBar_)
        softKeyBar_->deleteLater();
    softKeyBar_ = bar;
    bar->setParent(this);
    layout()->addWidget(bar);
}
