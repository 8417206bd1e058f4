#include "MessageBox.h"

#include "IconReader.h"

#include <QMessageBox>
#include <QPushButton>

void MessageBox::show(QWidget *parent, const QString &iconName, const QString &text,
                      const QString &buttonText)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Wavelark"));
    box.setIconPixmap(IconReader::pixmap(iconName));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.addButton(buttonText, QMessageBox::AcceptRole);
    box.exec();
}

bool MessageBox::ask(QWidget *parent, const QString &iconName, const QString &text,
                     const QString &yesText, const QString &noText)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Wavelark"));
    box.setIconPixmap(IconReader::pixmap(iconName));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    QAbstractButton *yes = box.addButton(yesText, QMessageBox::AcceptRole);
    box.addButton(noText, QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBox::showModeless(QWidget *parent, const QString &text, const QString &buttonText)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setWindowTitle(QStringLiteral("Wavelark"));
    box->setIcon(QMessageBox::NoIcon);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->addButton(buttonText, QMessageBox::AcceptRole);
    box->show();
}
