#pragma once

#include <QString>

class QWidget;

namespace MessageBox {

// A modal box with an icon (an IconReader name), a plain text and one
// button; returns when it is closed.
void show(QWidget *parent, const QString &iconName, const QString &text, const QString &buttonText);

// A modal question with an icon, a plain text and two buttons; true when
// the first was pressed.
bool ask(QWidget *parent, const QString &iconName, const QString &text, const QString &yesText,
         const QString &noText);

// A box without icon that stays until dismissed; returns at once. The box
// deletes itself when closed.
void showModeless(QWidget *parent, const QString &text, const QString &buttonText);

} // namespace MessageBox
