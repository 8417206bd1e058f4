#pragma once

#include <QDialog>

class QDialogButtonBox;
class QPushButton;
class QVBoxLayout;

// A modal dialog with a title, a content area and a row of buttons at the
// foot, where the phone's dialogs had their soft keys.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Normal, Error };

    Dialog(const QString &title, Kind kind = Kind::Normal, QWidget *parent = nullptr);

    // Adds `content` above the buttons; the dialog owns it.
    void addContent(QWidget *content);
    // A button that accepts (or rejects) the dialog when pressed.
    QPushButton *addButton(const QString &text, bool accepts);
    Kind kind() const { return kind_; }

private:
    Kind kind_;
    QVBoxLayout *content_;
    QDialogButtonBox *buttons_;
};
