#pragma once

// The phone's call and display state. No call ever rings on a desktop, and
// there is no display-state device (focus decides whether anyone can see
// the window); tests can make a call ring or be in progress.
namespace PhoneState {

int incomingCallStatus();
int phoneInCall();
void setCallForTest(int incoming, int inCall);

// A handle for display-state queries; -1: none (always so on a desktop).
int openDisplayState();
// 1 when the display is on, 0 when it is off or the query failed.
int displayState(int handle);

} // namespace PhoneState
