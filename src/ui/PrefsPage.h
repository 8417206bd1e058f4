#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

// One preferences page: a content frame over the window's content area,
// rows of a label and a control in two columns, and a soft-key frame over
// the soft-key bar with "OK" and "Cancel". Built once, then shown and
// hidden. Controls that act at once get their handler here; text fields are
// read by the page's owner on OK. GUI thread only.
class PrefsPage : public QObject
{
    Q_OBJECT

public:
    // Both frames are children of `window`, hidden until show().
    explicit PrefsPage(QWidget *window);
    ~PrefsPage() override;

    QCheckBox *addCheck(const QString &label, bool on, std::function<void(bool)> changed);
    QSpinBox *addSpin(const QString &label, int min, int max, const QString &suffix, int value,
                      std::function<void(int)> changed);
    QLineEdit *addText(const QString &label, const QString &text);
    // A text field with a chooser button on the row below it.
    QLineEdit *addTextWithChooser(const QString &label, const QString &text, const QString &icon,
                                  std::function<void()> choose);
    QComboBox *addCombo(const QString &label, const QStringList &items);
    QPushButton *addButton(const QString &label, const QString &text,
                           std::function<void()> clicked);

    // The fill of an unticked check box.
    static constexpr QColor kCheckBase{0x6b, 0x73, 0x7a};

    QPushButton *okButton() const { return ok_; }
    QPushButton *cancelButton() const { return cancel_; }
    QFrame *contentFrame() const { return content_; }

    // Places the frames over the window's content and soft-key areas.
    void show();
    void hide();
    bool isShown() const;
    // With the on-screen keyboard up the content takes the upper half.
    void setSmallContent(bool small);
    // Follows the window's size while shown.
    void place();

signals:
    // "OK" and "Cancel" were pressed.
    void accepted();
    void rejected();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int addRow(const QString &label, QWidget *control);
    void chainFocus(QWidget *control);

    QWidget *window_;
    QFrame *content_;
    QFrame *softKeys_;
    QGridLayout *rows_;
    QPushButton *ok_;
    QPushButton *cancel_;
    QWidget *firstControl_ = nullptr;
    QWidget *lastControl_ = nullptr;
    bool small_ = false;
};
