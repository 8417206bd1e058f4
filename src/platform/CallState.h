#pragma once

// The phone's call state, asked every 200 ms by the main window.
class CallState
{
public:
    virtual ~CallState() = default;
    // Non-zero while a call rings.
    virtual int incomingCallStatus() const = 0;
    // Non-zero while a call is in progress.
    virtual int phoneInCall() const = 0;
};

// A desktop has no phone: no call ever rings.
class NoCallState final : public CallState
{
public:
    int incomingCallStatus() const override { return 0; }
    int phoneInCall() const override { return 0; }
};
