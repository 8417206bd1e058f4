#pragma once

#include <QWidget>

class QMenu;
class QPushButton;

// The three soft keys at the foot of a window: the left one opens a popup
// menu, the middle one carries a text, the right one a symbol. The buttons
// take no keyboard focus, so key presses keep going to the window.
class SoftKeyBar : public QWidget
{
    Q_OBJECT

public:
    // leftIcon and rightIcon are icon names for IconReader ("CST_Menu", "CST_Exit").
    SoftKeyBar(const QString &middleText, const QString &leftIcon, const QString &rightIcon,
               QWidget *parent = nullptr);

    QPushButton *leftButton() const { return left_; }
    QPushButton *middleButton() const { return middle_; }
    QPushButton *rightButton() const { return right_; }
    // The left key's popup; empty until someone fills it.
    QMenu *menu() const { return menu_; }
    void setMiddleText(const QString &text);
    QString middleText() const;

private:
    QPushButton *left_;
    QPushButton *middle_;
    QPushButton *right_;
    QMenu *menu_;
};
