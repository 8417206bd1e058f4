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

// What every preferences page shares: a content frame over the window's
// content area, rows of a label and a control in two columns, and a
// soft-key frame over the soft-key bar with "OK" and "Cancel". A page is a
// class of its own (InterfacePrefsPage, NetworkPrefsPage, ...) that builds
// its rows once, gives the controls that act at once their handler, and
// reads its text fields on OK. GUI thread only.
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

    // Shows the page as it is now; a page may refresh a field first.
    virtual void open();
    // OK (true) or Cancel and Escape: hides the page, then does what the
    // page does on it.
    void finish(bool ok);
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
    virtual void onOk() {}
    virtual void onCancel() {}
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
