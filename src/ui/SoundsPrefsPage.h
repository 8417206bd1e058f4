#pragma once

#include "PrefsPage.h"

#include <array>

class QLineEdit;
class Wavelark;

// The Sounds page: the eight event sounds, their loops and their volume.
// The file names are read on OK and restored on Cancel.
class SoundsPrefsPage : public PrefsPage
{
    Q_OBJECT

public:
    explicit SoundsPrefsPage(Wavelark &window);

protected:
    void onOk() override;
    void onCancel() override;

private:
    void addSoundRow(int index);
    void selectSoundFile(int index);

    Wavelark &window_;
    std::array<QLineEdit *, 8> fields_{};
};
