#pragma once

#include "CallState.h"
#include "DisplayState.h"
#include "LinkManager.h"
#include "PlatformSources.h"

#include <QStringList>

class Wavelark;

// Link, call and display sources that the tests drive by hand. Installed
// for every window the UI tests build (ui_test_main.cpp).

class FakeLinkManager : public LinkManager
{
    Q_OBJECT

public:
    // How the next requests end: up or failed from the event loop, left
    // waiting for the test, or refused at once.
    enum class Outcome { Connect, Fail, Wait, Refuse };

    using LinkManager::LinkManager;

    void init(bool reportSystemLink) override;
    int openLink(const QString &profile) override;
    void closeLink(int id) override;
    QStringList profileNames() const override { return {"Default", "wlan-test"}; }

    void setOutcome(Outcome outcome) { outcome_ = outcome; }
    // The profiles asked for, oldest first.
    const QStringList &requests() const { return requests_; }
    // The link up or requested; -1 when none.
    int openId() const { return openId_; }
    int lastRequestId() const { return lastRequestId_; }

    // Reports for any identifier, as a late report would come.
    void reportConnected(int id);
    void reportOpenFailed(int id);
    void reportBroken(int id);

private:
    Outcome outcome_ = Outcome::Connect;
    QStringList requests_;
    int nextId_ = 0;
    int openId_ = -1;
    int lastRequestId_ = -1;
};

class FakeCallState : public CallState
{
public:
    int incomingCallStatus() const override { return incoming; }
    int phoneInCall() const override { return inCall; }
    int incoming = 0;
    int inCall = 0;
};

class FakeDisplayState : public DisplayState
{
public:
    bool isKnown() const override { return known; }
    int displayOn() const override { return on ? 1 : 0; }
    bool known = false;
    bool on = true;
};

// What the next windows start with; a test that changes it puts it back.
struct FakeSourcesStart
{
    bool systemLinkUp = true; // the system's link is reported at start-up
    bool displayKnown = false;
};
FakeSourcesStart &fakeSourcesStart();

PlatformSources makeFakeSources(QObject *parent);

// The fakes of a window built with makeFakeSources.
FakeLinkManager *fakeLink(Wavelark *window);
FakeCallState *fakeCall(Wavelark *window);
FakeDisplayState *fakeDisplay(Wavelark *window);
