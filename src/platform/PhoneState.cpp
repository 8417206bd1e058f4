#include "PhoneState.h"

#include <atomic>

namespace {
std::atomic<int> incoming{0};
std::atomic<int> inCall{0};
} // namespace

int PhoneState::incomingCallStatus()
{
    return incoming;
}

int PhoneState::phoneInCall()
{
    return inCall;
}

void PhoneState::setCallForTest(int incomingValue, int inCallValue)
{
    incoming = incomingValue;
    inCall = inCallValue;
}

int PhoneState::openDisplayState()
{
    return -1;
}

int PhoneState::displayState(int)
{
    return 0;
}
