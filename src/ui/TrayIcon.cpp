#include "TrayIcon.h"

#include "Wavelark.h"

#include <QPainter>

namespace {

// The installed theme's icon, else one drawn here: a tray never shows an
// empty square.
QIcon trayPicture()
{
    QIcon themed = QIcon::fromTheme(QStringLiteral("wavelark"));
    if (!themed.isNull())
        return themed;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x7a, 0xc0));
    p.drawEllipse(1, 1, 30, 30);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPoint(16, 20);
    p.drawArc(10, 14, 12, 12, 45 * 16, 90 * 16);
    p.drawArc(5, 9, 22, 22, 45 * 16, 90 * 16);
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(Wavelark &window) : QObject(&window), window_(window)
{
    addCommand(tr("Play/Stop"), "playStop");
    addCommand(tr("Next"), "next");
    addCommand(tr("Previous"), "previous");
    addCommand(tr("Mute"), "mute");
    menu_.addSeparator();
    addCommand(tr("Quit"), "quit");
    icon_ = new QSystemTrayIcon(trayPicture(), this);
    icon_->setContextMenu(&menu_);
    icon_->setToolTip(window.windowTitle());
    connect(&window, &QWidget::windowTitleChanged, icon_, &QSystemTrayIcon::setToolTip);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    toggleWindow();
            });
    icon_->show();
}

bool TrayIcon::shown() const
{
    return icon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::toggleWindow()
{
    if (window_.isVisible() && !window_.isMinimized()) {
        window_.hide();
        return;
    }
    window_.runCommand("raise");
}

void TrayIcon::addCommand(const QString &label, const char *command)
{
    connect(menu_.addAction(label), &QAction::triggered, this,
            [this, command] { window_.runCommand(command); });
}
