#pragma once

#include <QString>

class QWidget;

namespace MessageBox {

// A modal box with an icon (an IconReader name), a plain text and one
// button; returns when it is closed.
void show(QWidget *parent, const QString &iconName, const QString &text, const QString &buttonText);

} // namespace MessageBox
