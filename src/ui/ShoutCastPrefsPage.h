#pragma once

#include "PrefsPage.h"

class Wavelark;

// The ShoutCast page: the directory's retries, item limit and recent searches.
class ShoutCastPrefsPage : public PrefsPage
{
    Q_OBJECT

public:
    explicit ShoutCastPrefsPage(Wavelark &window);

protected:
    void onOk() override;

private:
    Wavelark &window_;
};
