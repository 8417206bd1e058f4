#include "PrefsPage.h"

#include "IconReader.h"
#include "ScreenRects.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>

PrefsPage::PrefsPage(QWidget *window)
    : QObject(window), window_(window), content_(new QFrame(window)), softKeys_(new QFrame(window))
{
    for (QFrame *frame : {content_, softKeys_}) {
        frame->setAutoFillBackground(true);
        frame->hide();
    }
    // Fields and check boxes stand out from the window's dark background.
    QPalette palette = content_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    content_->setPalette(palette);
    // Keys a control leaves unused stop at the page: the player's bindings
    // must not run behind it.
    content_->installEventFilter(this);
    softKeys_->installEventFilter(this);
    auto *view = new QScrollArea(content_);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setWidgetResizable(true);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *inner = new QWidget;
    rows_ = new QGridLayout(inner);
    rows_->setContentsMargins(6, 6, 6, 6);
    rows_->setColumnMinimumWidth(0, 90);
    rows_->setColumnStretch(1, 1);
    rows_->setRowStretch(0, 0);
    view->setWidget(inner);
    auto *contentBox = new QVBoxLayout(content_);
    contentBox->setContentsMargins(0, 0, 0, 0);
    contentBox->addWidget(view);

    ok_ = new QPushButton(tr("OK"), softKeys_);
    cancel_ = new QPushButton(tr("Cancel"), softKeys_);
    auto *keys = new QHBoxLayout(softKeys_);
    keys->setContentsMargins(4, 2, 4, 2);
    keys->addWidget(ok_);
    keys->addWidget(cancel_);
    ok_->installEventFilter(this);
    cancel_->installEventFilter(this);
    connect(ok_, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { finish(false); });
}

void PrefsPage::open()
{
    show();
}

void PrefsPage::finish(bool ok)
{
    hide();
    if (ok) {
        onOk();
        emit accepted();
    } else {
        onCancel();
        emit rejected();
    }
}

PrefsPage::~PrefsPage() = default;

int PrefsPage::addRow(const QString &label, QWidget *control)
{
    const int row = rows_->rowCount();
    // Found by its label, by tests and by accessibility tools alike.
    control->setObjectName(label);
    control->setAccessibleName(label);
    auto *text = new QLabel(label);
    text->setTextFormat(Qt::PlainText);
    // A long label wraps rather than pushing its control out of the window.
    text->setWordWrap(true);
    rows_->addWidget(text, row, 0);
    rows_->addWidget(control, row, 1);
    chainFocus(control);
    // Rows stay at the top however tall the page is.
    rows_->setRowStretch(row, 0);
    rows_->setRowStretch(row + 1, 1);
    return row;
}

// Tab goes down the rows in order, then to OK and Cancel, and round again.
void PrefsPage::chainFocus(QWidget *control)
{
    if (!firstControl_)
        firstControl_ = control;
    else
        QWidget::setTabOrder(lastControl_, control);
    lastControl_ = control;
    QWidget::setTabOrder(control, ok_);
    QWidget::setTabOrder(ok_, cancel_);
    control->installEventFilter(this);
}

// Controls: Escape cancels, Tab and Backtab go round the page. Frames: keys
// a control left unused stop here instead of reaching the window.
bool PrefsPage::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (type == QEvent::KeyPress && key == Qt::Key_Escape) {
        finish(false);
        return true;
    }
    if (type == QEvent::KeyPress && firstControl_) {
        QWidget *wrapTo = key == Qt::Key_Tab && watched == cancel_             ? firstControl_
                          : key == Qt::Key_Backtab && watched == firstControl_ ? cancel_
                                                                               : nullptr;
        if (wrapTo) {
            wrapTo->setFocus(key == Qt::Key_Tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    if (watched != content_ && watched != softKeys_)
        return false;
    event->accept();
    return type != QEvent::ShortcutOverride;
}

QCheckBox *PrefsPage::addCheck(const QString &label, bool on, std::function<void(bool)> changed)
{
    auto *box = new QCheckBox;
    // An unticked box is drawn in the base colour: lighter than the fields'
    // so that it stands out from the page (contrast above 3:1).
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, kCheckBase);
    palette.setColor(QPalette::Text, QColor(0xff, 0xff, 0xff));
    box->setPalette(palette);
    box->setChecked(on);
    addRow(label, box);
    connect(box, &QCheckBox::toggled, this, std::move(changed));
    return box;
}

QSpinBox *PrefsPage::addSpin(const QString &label, int min, int max, const QString &suffix,
                             int value, std::function<void(int)> changed)
{
    auto *box = new QSpinBox;
    box->setRange(min, max);
    box->setSuffix(suffix);
    box->setValue(value);
    addRow(label, box);
    connect(box, &QSpinBox::valueChanged, this, std::move(changed));
    return box;
}

QLineEdit *PrefsPage::addText(const QString &label, const QString &text)
{
    auto *field = new QLineEdit(text);
    addRow(label, field);
    return field;
}

QLineEdit *PrefsPage::addTextWithChooser(const QString &label, const QString &text,
                                         const QString &icon, std::function<void()> choose)
{
    QLineEdit *field = addText(label, text);
    auto *button = new QPushButton;
    button->setIcon(IconReader::icon(icon));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(label);
    const int row = rows_->rowCount();
    rows_->addWidget(button, row, 1, Qt::AlignLeft);
    chainFocus(button);
    rows_->setRowStretch(row, 0);
    rows_->setRowStretch(row + 1, 1);
    connect(button, &QPushButton::clicked, this, std::move(choose));
    return field;
}

QComboBox *PrefsPage::addCombo(const QString &label, const QStringList &items)
{
    auto *box = new QComboBox;
    box->addItems(items);
    addRow(label, box);
    return box;
}

QPushButton *PrefsPage::addButton(const QString &label, const QString &text,
                                  std::function<void()> clicked)
{
    auto *button = new QPushButton(text);
    addRow(label, button);
    connect(button, &QPushButton::clicked, this, std::move(clicked));
    return button;
}

void PrefsPage::place()
{
    const QRect content = small_ ? ScreenRects::smallContent() : ScreenRects::content();
    content_->setGeometry(ScreenRects::mapFromGlobal(window_, content));
    softKeys_->setGeometry(ScreenRects::mapFromGlobal(window_, ScreenRects::softKeyArea()));
}

void PrefsPage::show()
{
    place();
    for (QFrame *frame : {content_, softKeys_}) {
        frame->show();
        frame->raise();
    }
    // The first row is where a person starts, not a control out of sight.
    if (QWidget *first = firstControl_ ? firstControl_ : ok_)
        first->setFocus(Qt::TabFocusReason);
}

void PrefsPage::hide()
{
    const bool hadFocus = content_->isAncestorOf(QApplication::focusWidget()) ||
                          softKeys_->isAncestorOf(QApplication::focusWidget());
    content_->hide();
    softKeys_->hide();
    // The window's keys work again at once.
    if (hadFocus)
        window_->setFocus();
}

bool PrefsPage::isShown() const
{
    return !content_->isHidden();
}

void PrefsPage::setSmallContent(bool small)
{
    small_ = small;
    if (isShown())
        place();
}
