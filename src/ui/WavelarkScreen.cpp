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

// The default colours are light: whatever the desktop theme, the window's
// background is near black so that they stay readable.
void Wavelark::applyDarkPalette()
{
    QPalette palette = this->palette();
    const QColor background(0x10, 0x12, 0x14);
    for (QPalette::ColorGroup group :
         {QPalette::Normal, QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Button, QColor(0x26, 0x2a, 0x2e));
        palette.setColor(group, QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0));
        palette.setColor(group, QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    }
    setPalette(palette);
    setAutoFillBackground(true);
}

void Wavelark::buildScreen()
{
    setWindowTitle(QStringLiteral("Wavelark"));
    resize(360, 540);
    setFocusPolicy(Qt::StrongFocus);
    applyDarkPalette();
    setWidgetFontSize(this, settings_.defaultFontSize);
    setWidgetColor(this, settings_.defaultColor);
    // The scroll view's content: the three sections and the indicators, top to bottom.
    auto *content = new QWidget;
    content->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildSection1(), 1);
    layout->addWidget(buildSection2(), 1);
    layout->addWidget(buildSection3(), 1);
    layout->addLayout(buildIndicatorRow());
    layout->activate();
    setContentWidget(content);
    scrollView()->viewport()->setAutoFillBackground(false);
    buildSoftKeys();
}

QWidget *Wavelark::buildSection1()
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    headerLabel = plainLabel(tr("-[ Playing ]-"), section);
    headerLabel->setAlignment(Qt::AlignHCenter);
    setWidgetFontSize(headerLabel, settings_.headerFontSize);
    setWidgetColor(headerLabel, settings_.headerColor);
    box->addWidget(headerLabel, 0);
    tagMarquee = new WavelarkMarquee(tr("unavailable"), section, 0, 1000);
    tagMarquee->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setWidgetFontSize(tagMarquee, settings_.tagFontSize);
    setWidgetColor(tagMarquee, settings_.tagColor);
    box->addWidget(tagMarquee, 1, Qt::AlignTop);
    connect(tagMarquee, &WavelarkMarquee::MarqueeMousePressEvent, this,
            &Wavelark::slotMarqueeMousePressEvent);
    connect(tagMarquee, &WavelarkMarquee::MarqueeMouseReleaseEvent, this,
            &Wavelark::slotMarqueeMouseReleaseEvent);
    connect(tagMarquee, &WavelarkMarquee::MarqueeMouseDoubleClickEvent, this,
            &Wavelark::slotMarqueeMouseDoubleClickEvent);
    return section;
}

QWidget *Wavelark::buildSection2()
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    streamInfoHeader = plainLabel(tr("-[ Stream Info ]-"), section);
    streamInfoHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWidgetFontSize(streamInfoHeader, settings_.headerFontSize);
    setWidgetColor(streamInfoHeader, settings_.headerColor);
    box->addWidget(streamInfoHeader, 0, Qt::AlignTop);
    formatMarquee = new WavelarkMarquee(tr("unavailable"), section, 150, 1000);
    formatMarquee->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setWidgetFontSize(formatMarquee, settings_.formatFontSize);
    setWidgetColor(formatMarquee, settings_.formatColor);
    box->addWidget(formatMarquee, 0, Qt::AlignTop);
    connect(formatMarquee, &WavelarkMarquee::MarqueeMousePressEvent, this,
            &Wavelark::slotMarqueeMousePressEvent);
    connect(formatMarquee, &WavelarkMarquee::MarqueeMouseReleaseEvent, this,
            &Wavelark::slotMarqueeMouseReleaseEvent);
    formatLine = plainLabel(QStringLiteral(" "), section);
    formatLine->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setWidgetFontSize(formatLine, settings_.formatFontSize);
    setWidgetColor(formatLine, settings_.formatColor);
    box->addWidget(formatLine, 1, Qt::AlignTop);
    return section;
}

QWidget *Wavelark::buildSection3()
{
    auto *section = new QWidget;
    QVBoxLayout *box = sectionBox();
    section->setLayout(box);
    networkHeader = plainLabel(tr("-[ Network Status ]-"), section);
    networkHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWidgetFontSize(networkHeader, settings_.headerFontSize);
    setWidgetColor(networkHeader, settings_.headerColor);
    box->addWidget(networkHeader, 0, Qt::AlignTop);
    statusMarquee = new WavelarkMarquee(tr("not connected"), section, 150, 1000);
    statusMarquee->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setWidgetFontSize(statusMarquee, settings_.statusFontSize);
    setWidgetColor(statusMarquee, settings_.statusColor);
    box->addWidget(statusMarquee, 1, Qt::AlignTop);
    connect(statusMarquee, &WavelarkMarquee::MarqueeMousePressEvent, this,
            &Wavelark::slotMarqueeMousePressEvent);
    updateNetworkStatus();
    pauseLabel = new WavelarkBlink(section, QString(), 500, false, false);
    pauseLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    setWidgetFontSize(pauseLabel, settings_.formatFontSize);
    setWidgetColor(pauseLabel, settings_.formatColor);
    box->addWidget(pauseLabel, 1, Qt::AlignTop);
    connect(pauseLabel, &WavelarkBlink::blinkChanged, this, &Wavelark::slotPaused);
    return section;
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
    connect(modifierIndicator, &WavelarkBlink::blinkChanged, this, &Wavelark::slotKeyModBlink);
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
