#include "IconReader.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <optional>

namespace {

// The soft keys' symbols, drawn here so that they look the same on every
// desktop theme: three bars for the menu, a cross for quitting.
QIcon drawnIcon(bool menu)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xe0, 0xe0, 0xe0), 2.5, Qt::SolidLine, Qt::RoundCap));
    if (menu) {
        for (int y : {6, 12, 18})
            p.drawLine(4, y, 20, y);
    } else {
        p.drawLine(6, 6, 18, 18);
        p.drawLine(18, 6, 6, 18);
    }
    return QIcon(pixmap);
}

std::optional<QStyle::StandardPixmap> standardFor(const QString &name)
{
    if (name == QLatin1String("Dialog_Exclamatory_Mark.gif"))
        return QStyle::SP_MessageBoxWarning;
    if (name == QLatin1String("Dialog_Error"))
        return QStyle::SP_MessageBoxCritical;
    if (name == QLatin1String("Dialog_Empty_Trash.gif"))
        return QStyle::SP_TrashIcon;
    if (name == QLatin1String("FMMS_Personal_Folder_S.gif") ||
        name == QLatin1String("FMMS_Personal_Folder_S"))
        return QStyle::SP_DirIcon;
    if (name == QLatin1String("FMMS_Personal_File_S.gif") ||
        name == QLatin1String("FMMS_Personal_File_S"))
        return QStyle::SP_FileIcon;
    return std::nullopt;
}

} // namespace

QIcon IconReader::icon(const QString &name)
{
    if (name == QLatin1String("CST_Menu") || name == QLatin1String("CST_Exit"))
        return drawnIcon(name == QLatin1String("CST_Menu"));
    const auto standard = standardFor(name);
    return standard ? QApplication::style()->standardIcon(*standard) : QIcon();
}

QPixmap IconReader::pixmap(const QString &name, int size)
{
    return icon(name).pixmap(size, size);
}
