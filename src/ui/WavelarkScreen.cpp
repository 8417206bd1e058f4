// Building the screen: the three sections, the indicator row, the soft
// keys, and the font and colour rules.
#include "Wavelark.h"

#include "SoftKeyBar.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

namespace {

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QVBoxLayout *sectionBox()
{
    auto *box = new QVBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    return box;
}

} // namespace

void Wavelark::setWidgetFontSize(QWidget *widget, int size)
{
    QFont font = widget->font();
    if (size > 0)
        font.setPointSize(size);
    widget->setFont(font);
}

void Wavelark::setWidgetColor(QWidget *widget, const QString &color)
{
    QPalette palette = widget->palette();
    const QColor c = QColor::fromString(color);
    if (!c.isValid())
        return;
    for (QPalette::ColorGroup group : {QPalette::Normal, QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, c);
    widget->setPalette(palette);
}

namespace {

// The default colours are light: whatever the desktop theme, the window's
// background is near black so that they stay readable.
void applyDarkPalette(QWidget *window)
{
    QPalette palette = window->palette();
    const QColor background(0x10, 0x12, 0x14);
    for (QPalette::ColorGroup group :
         {QPalette::Normal, QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Button, QColor(0x26, 0x2a, 0x2e));
        palette.setColor(group, QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0));
        palette.setColor(group, QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    }
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

template <class Widget>
Widget *styled(Widget *widget, int fontSize, const QString &color)
{
    Wavelark::setWidgetFontSize(widget, fontSize);
    Wavelark::setWidgetColor(widget, color);
    return widget;
}

// The section headers.
QLabel *sectionHeader(const QString &text, QWidget *section, Qt::Alignment alignment,
                      const WavelarkSettings &s)
{
    QLabel *header = styled(plainLabel(text, section), s.headerFontSize, s.headerColor);
    header->setAlignment(alignment);
    return header;
}

// The playing entry's tags under the header, and below them a line that
// keeps the station in sight while its song shows (hidden until then).
QWidget *buildTagSection(const WavelarkSettings &s, QLabel *&header, WavelarkMarquee *&tags,
                         QLabel *&other)
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    header = sectionHeader(Wavelark::tr("-[ Playing ]-"), section, Qt::AlignHCenter, s);
    box->addWidget(header, 0);
    // The line shares the marquee's place, so the section is laid out as
    // before while it is hidden.
    auto *place = new QWidget(section);
    QVBoxLayout *lines = sectionBox();
    lines->setSpacing(0);
    place->setLayout(lines);
    tags = styled(new WavelarkMarquee(Wavelark::tr("unavailable"), place, 0, 1000), s.tagFontSize,
                  s.tagColor);
    tags->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    lines->addWidget(tags);
    other = styled(plainLabel(QString(), place), s.formatFontSize, s.tagColor);
    other->setObjectName(QStringLiteral("otherTag"));
    other->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    other->hide();
    lines->addWidget(other);
    box->addWidget(place, 1, Qt::AlignTop);
    return section;
}

// The stream format: a marquee and a line below it.
QWidget *buildFormatSection(const WavelarkSettings &s, QLabel *&header, WavelarkMarquee *&format,
                            QLabel *&line)
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    header = sectionHeader(Wavelark::tr("-[ Stream Info ]-"), section,
                           Qt::AlignHCenter | Qt::AlignTop, s);
    box->addWidget(header, 0, Qt::AlignTop);
    format = styled(new WavelarkMarquee(Wavelark::tr("unavailable"), section, 150, 1000),
                    s.formatFontSize, s.formatColor);
    format->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box->addWidget(format, 0, Qt::AlignTop);
    line = styled(plainLabel(QStringLiteral(" "), section), s.formatFontSize, s.formatColor);
    line->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box->addWidget(line, 1, Qt::AlignTop);
    return section;
}

// The network and buffer state, and the pause notice below it.
QWidget *buildStatusSection(const WavelarkSettings &s, QLabel *&header, WavelarkMarquee *&status,
                            WavelarkBlink *&pause)
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    header = sectionHeader(Wavelark::tr("-[ Network Status ]-"), section,
                           Qt::AlignHCenter | Qt::AlignTop, s);
    box->addWidget(header, 0, Qt::AlignTop);
    status = styled(new WavelarkMarquee(Wavelark::tr("not connected"), section, 150, 1000),
                    s.statusFontSize, s.statusColor);
    status->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box->addWidget(status, 1, Qt::AlignTop);
    pause = styled(new WavelarkBlink(section, QString(), 500, false, false), s.formatFontSize,
                   s.formatColor);
    pause->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box->addWidget(pause, 1, Qt::AlignTop);
    return section;
}

} // namespace

void Wavelark::buildScreen()
{
    setWindowTitle(QStringLiteral("Wavelark"));
    resize(360, 540);
    setFocusPolicy(Qt::StrongFocus);
    applyDarkPalette(this);
    setWidgetFontSize(this, settings_.defaultFontSize);
    setWidgetColor(this, settings_.defaultColor);
    // The scroll view's content: the three sections and the indicators, top to bottom.
    auto *content = new QWidget;
    content->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildTagSection(settings_, headerLabel_, tagMarquee_, otherTagLine_), 1);
    layout->addWidget(buildFormatSection(settings_, streamInfoHeader_, formatMarquee_, formatLine_),
                      1);
    layout->addWidget(buildStatusSection(settings_, networkHeader_, statusMarquee_, pauseLabel_),
                      1);
    updateNetworkStatus();
    layout->addLayout(buildIndicatorRow());
    layout->activate();
    setContentWidget(content);
    scrollView()->viewport()->setAutoFillBackground(false);
    connectSections();
    buildSoftKeys();
}

void Wavelark::connectSections()
{
    // Holding the tags or the format stops their scrolling; a double click
    // on the tags shows the next tag.
    for (WavelarkMarquee *marquee : {tagMarquee_, formatMarquee_}) {
        connect(marquee, &WavelarkMarquee::MarqueeMousePressEvent, marquee,
                &WavelarkMarquee::stopScrolling);
        connect(marquee, &WavelarkMarquee::MarqueeMouseReleaseEvent, marquee,
                &WavelarkMarquee::resumeScrolling);
    }
    connect(tagMarquee_, &WavelarkMarquee::MarqueeMouseDoubleClickEvent, tagMarquee_,
            &WavelarkMarquee::nextPage);
    // A tap on the status ends the wait for the initial fill.
    connect(statusMarquee_, &WavelarkMarquee::MarqueeMousePressEvent, this, [this] {
        if (!stream_->isLocal(Selection::Playing))
            stream_->skipBufferWait();
    });
    connect(pauseLabel_, &WavelarkBlink::blinkChanged, pauseLabel_, &QWidget::setVisible);
}

QLayout *Wavelark::buildIndicatorRow()
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(6, 0, 6, 4);
    repeatIndicator_ = new WavelarkRepeat(this, 0);
    connect(repeatIndicator_, &WavelarkRepeat::repeatChanged, this,
            [this](int mode) { transport_->setRepeatMode(mode); });
    shuffleIndicator_ = new WavelarkShuffle(this, false);
    connect(shuffleIndicator_, &WavelarkShuffle::shuffleChanged, this, &Wavelark::slotShuffle);
    scanIndicator_ = new WavelarkBlink(this, QStringLiteral("/scan.xpm"), 500, true, false);
    connect(scanIndicator_, &WavelarkBlink::blinkChanged, this, &Wavelark::slotScan);
    recordIndicator_ = new WavelarkBlink(this, QStringLiteral("/record.xpm"), 500, true, false);
    connect(recordIndicator_, &WavelarkBlink::blinkChanged, this, &Wavelark::slotRecord);
    // Every blink asks how many directory fetches are left.
    directoryIndicator_ = new WavelarkBlink(this, QStringLiteral("SC"), 500, false, true);
    directoryIndicator_->stopAndBlank();
    connect(directoryIndicator_, &WavelarkBlink::blinkChanged, this, &Wavelark::slotShoutCastBlink);
    modifierIndicator_ = new WavelarkBlink(this, QStringLiteral("M"), 500, false, false);
    modifierIndicator_->stopAndBlank();
    connect(modifierIndicator_, &WavelarkBlink::blinkChanged, this, [this](bool blinking) {
        if (!blinking)
            modifierIndicator_->stopAndBlank();
    });
    volumeIndicator_ = new WavelarkVolume(this, stream_->volume());
    volumeIndicator_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(volumeIndicator_, &WavelarkVolume::muteChanged, this, &Wavelark::slotMute);
    for (QWidget *w : std::initializer_list<QWidget *>{repeatIndicator_, shuffleIndicator_,
                                                       scanIndicator_, recordIndicator_,
                                                       directoryIndicator_, modifierIndicator_})
        row->addWidget(w, 1, Qt::AlignLeft);
    row->addWidget(volumeIndicator_, 1, Qt::AlignRight);
    volumeSlider_ = new QSlider(Qt::Horizontal, this);
    volumeSlider_->setRange(0, 100);
    volumeSlider_->setPageStep(5);
    volumeSlider_->setValue(stream_->volume());
    volumeSlider_->setFocusPolicy(Qt::NoFocus);
    volumeSlider_->hide();
    connect(volumeSlider_, &QSlider::valueChanged, this, &Wavelark::slotAdjustVolume);
    return row;
}

void Wavelark::buildSoftKeys()
{
    auto *bar = new SoftKeyBar(tr("Play"), QStringLiteral("CST_Menu"), QStringLiteral("CST_Exit"));
    connect(bar->middleButton(), &QPushButton::clicked, this,
            [this] { slotStartStopStream(true); });
    connect(bar->rightButton(), &QPushButton::clicked, this, &Wavelark::slotQuit);
    buildMenu(bar->menu());
    setSoftKeyBar(bar);
}
