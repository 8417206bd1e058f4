#pragma once

#include "PrefsPage.h"

class Wavelark;

// The Interface page: playlist, marquee, volume and scan settings.
class InterfacePrefsPage : public PrefsPage
{
    Q_OBJECT

public:
    explicit InterfacePrefsPage(Wavelark &window);

protected:
    void onOk() override;

private:
    Wavelark &window_;
};
