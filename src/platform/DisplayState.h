#pragma once

// Whether the display is on, asked every 200 ms by the main window.
class DisplayState
{
public:
    virtual ~DisplayState() = default;
    // False when nothing tells whether the display is on: the window's
    // focus alone decides then whether anyone can see it.
    virtual bool isKnown() const = 0;
    // 1 while the display is on, 0 while it is off (or not known).
    virtual int displayOn() const = 0;
};
