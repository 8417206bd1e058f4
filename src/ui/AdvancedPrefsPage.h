#pragma once

#include "PrefsPage.h"

class Wavelark;

// The Advanced page: the engine's buffer sizes and pass intervals.
class AdvancedPrefsPage : public PrefsPage
{
    Q_OBJECT

public:
    explicit AdvancedPrefsPage(Wavelark &window);

protected:
    void onOk() override;

private:
    Wavelark &window_;
};
