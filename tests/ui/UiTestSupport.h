#pragma once

#include "TempHome.h"
#include "Wavelark.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// Data the test decoder module plays: its 40-byte header, then PCM.
// acceptAfter: bytes the module wants to see before it accepts them.
QByteArray testModuleData(int pcmBytes, unsigned acceptAfter = 40, unsigned frameBytes = 4096);

// A home with the test module, the pictures and a configuration file.
struct PlayerHome
{
    explicit PlayerHome(const QByteArray &config);
    TempHome home;
};

// Builds a window from an argument list, shown and active.
std::unique_ptr<Wavelark> makeWindow(const QStringList &arguments);
bool waitFor(const std::function<bool()> &done, int ms = 20000);

// The texts of the three sections, recorded before every custom event the
// window handles, so short-lived texts are seen too.
class SectionRecorder : public QObject
{
public:
    explicit SectionRecorder(Wavelark *window);
    QStringList headers, tags, formats, formatLines, statuses, middleKeys;
    bool sawAny(const QStringList &list, const QString &text) const { return list.contains(text); }
    void snapshot();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Wavelark *window_;
};

// Closes every modal dialog that opens, remembering its title and text.
class DialogCatcher : public QObject
{
public:
    DialogCatcher();
    QStringList titles, texts;

private:
    void check();
};
