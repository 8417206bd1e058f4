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

// The playing entry's tags under the header.
QWidget *buildTagSection(const WavelarkSettings &s, QLabel *&header, WavelarkMarquee *&tags)
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    header = sectionHeader(Wavelark::tr("-[ Playing ]-"), section, Qt::AlignHCenter, s);
    box->addWidget(header, 0);
    tags = styled(new WavelarkMarquee(Wavelark::tr("unavailable"), section, 0, 1000), s.tagFontSize,
                  s.tagColor);
    tags->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    box->addWidget(tags, 1, Qt::AlignTop);
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
    layout->addWidget(buildTagSection(settings_, headerLabel, tagMarquee), 1);
    layout->addWidget(buildFormatSection(settings_, streamInfoHeader, formatMarquee, formatLine),
                      1);
    layout->addWidget(buildStatusSection(settings_, networkHeader, statusMarquee, pauseLabel), 1);
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
    for (WavelarkMarquee *marquee : {tagMarquee, formatMarquee}) {
        connect(marquee, &WavelarkMarquee::MarqueeMousePressEvent, marquee,
                &WavelarkMarquee::stopScrolling);
        connect(marquee, &WavelarkMarquee::MarqueeMouseReleaseEvent, marquee,
                &WavelarkMarquee::resumeScrolling);
    }
    connect(tagMarquee, &WavelarkMarquee::MarqueeMouseDoubleClickEvent, tagMarquee,
            &WavelarkMarquee::nextPage);
    // A tap on the status ends the wait for the initial fill.
    connect(statusMarquee, &WavelarkMarquee::MarqueeMousePressEvent, this, [this] {
        if (!stream->isLocal(Selection::Playing))
            stream->skipBufferWait();
    });
    connect(pauseLabel, &WavelarkBlink::blinkChanged, pauseLabel, &QWidget::setVisible);
}

QLayout *Wavelark::buildIndicatorRow()
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(6, 0, 6, 4);
    repeatIndicator = new WavelarkRepeat(this, 0);
    connect(repeatIndicator, &WavelarkRepeat::repeatChanged, this,
            [this](int mode) { transport_->setRepeatMode(mode); });
    shuffleIndicator = new WavelarkShuffle(this, false);
    connect(shuffleIndicator, &WavelarkShuffle::shuffleChanged, this, &Wavelark::slotShuffle);
    scanIndicator = new WavelarkBlink(this, QStringLiteral("/scan.xpm"), 500, true, false);
    connect(scanIndicator, &WavelarkBlink::blinkChanged, this, &Wavelark::slotScan);
    recordIndicator = new WavelarkBlink(this, QStringLiteral("/record.xpm"), 500, true, false);
    connect(recordIndicator, &WavelarkBlink::blinkChanged, this, &Wavelark::slotRecord);
    // Every blink asks how many directory fetches are left.
    directoryIndicator = new WavelarkBlink(this, QStringLiteral("SC"), 500, false, true);
    directoryIndicator->stopAndBlank();
    connect(directoryIndicator, &WavelarkBlink::blinkChanged, this, &Wavelark::slotShoutCastBlink);
    modifierIndicator = new WavelarkBlink(this, QStringLiteral("M"), 500, false, false);
    modifierIndicator->stopAndBlank();
    connect(modifierIndicator, &WavelarkBlink::blinkChanged, this, [this](bool blinking) {
        if (!blinking)
            modifierIndicator->stopAndBlank();
    });
    volumeIndicator = new WavelarkVolume(this, stream->volume());
    volumeIndicator->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(volumeIndicator, &WavelarkVolume::muteChanged, this, &Wavelark::slotMute);
    for (QWidget *w :
         std::initializer_list<QWidget *>{repeatIndicator, shuffleIndicator, scanIndicator,
                                          recordIndicator, directoryIndicator, modifierIndicator})
        row->addWidget(w, 1, Qt::AlignLeft);
    row->addWidget(volumeIndicator, 1, Qt::AlignRight);
    volumeSlider = new QSlider(Qt::Horizontal, this);
    volumeSlider->setRange(0, 100);
    volumeSlider->setPageStep(5);
    volumeSlider->setValue(stream->volume());
    volumeSlider->setFocusPolicy(Qt::NoFocus);
    volumeSlider->hide();
    connect(volumeSlider, &QSlider::valueChanged, this, &Wavelark::slotAdjustVolume);
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
