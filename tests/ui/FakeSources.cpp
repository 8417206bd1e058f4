#include "FakeSources.h"

#include "Wavelark.h"

#include <QTimer>

void FakeLinkManager::init(bool reportSystemLink)
{
    if (!reportSystemLink || !fakeSourcesStart().systemLinkUp)
        return;
    openId_ = nextId_++;
    QTimer::singleShot(0, this, [this, id = openId_] {
        if (openId_ == id)
            reportConnected(id);
    });
}

int FakeLinkManager::openLink(const QString &profile)
{
    requests_.append(profile);
    if (outcome_ == Outcome::Refuse)
        return -1;
    const int id = nextId_++;
    lastRequestId_ = id;
    openId_ = id;
    if (outcome_ == Outcome::Connect)
        QTimer::singleShot(0, this, [this, id] { reportConnected(id); });
    else if (outcome_ == Outcome::Fail)
        QTimer::singleShot(0, this, [this, id] { reportOpenFailed(id); });
    return id;
}

void FakeLinkManager::closeLink(int id)
{
    if (openId_ == id)
        openId_ = -1;
}

void FakeLinkManager::reportConnected(int id)
{
    LinkInfo info;
    emit connected(id, info);
}

void FakeLinkManager::reportOpenFailed(int id)
{
    if (openId_ == id)
        openId_ = -1;
    emit openFailed(id, 0, 0);
}

void FakeLinkManager::reportBroken(int id)
{
    if (openId_ == id)
        openId_ = -1;
    LinkInfo info;
    emit broken(id, info);
}

FakeSourcesStart &fakeSourcesStart()
{
    static FakeSourcesStart start;
    return start;
}

PlatformSources makeFakeSources(QObject *parent)
{
    PlatformSources sources;
    sources.link = new FakeLinkManager(parent);
    sources.call = std::make_unique<FakeCallState>();
    auto display = std::make_unique<FakeDisplayState>();
    display->known = fakeSourcesStart().displayKnown;
    sources.display = std::move(display);
    return sources;
}

FakeLinkManager *fakeLink(Wavelark *window)
{
    return static_cast<FakeLinkManager *>(window->linkManager());
}

FakeCallState *fakeCall(Wavelark *window)
{
    return static_cast<FakeCallState *>(window->callState());
}

FakeDisplayState *fakeDisplay(Wavelark *window)
{
    return static_cast<FakeDisplayState *>(window->displayState());
}
