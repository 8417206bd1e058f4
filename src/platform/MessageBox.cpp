#include "MessageBox.h"

#include "IconReader.h"

#include <QMessageBox>

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
