#include "IconReader.h"

#include <QApplication>
#include <QStyle>

#include <optional>

namespace {

std::optional<QStyle::StandardPixmap> standardFor(const QString &name)
{
    if (name == QLatin1String("CST_Menu"))
        return QStyle::SP_TitleBarMenuButton;
    if (name == QLatin1String("CST_Exit"))
        return QStyle::SP_DialogCloseButton;
    if (name == QLatin1String("Dialog_Exclamatory_Mark.gif"))
        return QStyle::SP_MessageBoxWarning;
    if (name == QLatin1String("Dialog_Error"))
        return QStyle::SP_MessageBoxCritical;
    return std::nullopt;
}

} // namespace

QIcon IconReader::icon(const QString &name)
{
    const auto standard = standardFor(name);
    return standard ? QApplication::style()->standardIcon(*standard) : QIcon();
}

QPixmap IconReader::pixmap(const QString &name, int size)
{
    return icon(name).pixmap(size, size);
}
