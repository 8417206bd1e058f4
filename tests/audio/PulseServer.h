#pragma once

// A PulseAudio server of the test's own: no configuration read, one null
// sink ("wavelark_test"), a private socket and runtime folder, no clients of
// anyone else. Started by the constructor, killed by the destructor.

#include "TempHome.h"

#include <QString>

#include <functional>

#include <sys/types.h>

class PulseServer
{
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // True once the server answered within the start's deadline.
    bool up() const { return up_; }
    // What libpulse clients take as PULSE_SERVER: "unix:/path".
    QString address() const { return "unix:" + socket_; }
    QString sink() const { return "wavelark_test"; }
    // The output of the command-line client's `pactl ARGS` (empty on failure).
    QString pactl(const QString &args) const;
    // Starts recording the sink's monitor as raw s16le 44100 Hz stereo into
    // `path`; false when the recording did not reach the server in time.
    bool record(const QString &path);
    // Ends the server now, as a crash would.
    void kill();

private:
    TempHome home_;
    QString socket_;
    pid_t server_ = -1;
    pid_t recorder_ = -1;
    bool up_ = false;
};

// The property `name` of the first sink input (or other object) in `pactl
// list` output, without its quotes; empty when absent.
QString pulseProperty(const QString &listing, const QString &name);

// `check`, asked at most every 50 ms (each ask may start a client program),
// for processEventsUntil.
std::function<bool()> everyFiftyMs(std::function<bool()> check);
