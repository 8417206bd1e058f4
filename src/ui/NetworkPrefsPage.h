#pragma once

#include "PrefsPage.h"

class QComboBox;
class QLineEdit;
class Wavelark;

// The Network page: the link profile, recording, buffering and the proxy.
// Its text fields are read on OK and restored on Cancel.
class NetworkPrefsPage : public PrefsPage
{
    Q_OBJECT

public:
    explicit NetworkPrefsPage(Wavelark &window);
    // The proxy type shows the setting in use.
    void open() override;

protected:
    void onOk() override;
    void onCancel() override;

private:
    void restoreFields();
    void selectProfile();
    void selectRecordDirectory();
    // With an on-screen keyboard up, the page keeps its focused field
    // visible in the upper half.
    void keyboardShown(bool shown);

    Wavelark &window_;
    QLineEdit *recordDirectory_ = nullptr;
    QLineEdit *proxy_ = nullptr;
    QLineEdit *ports_ = nullptr;
    QLineEdit *username_ = nullptr;
    QLineEdit *password_ = nullptr;
    QComboBox *type_ = nullptr;
};
