#pragma once

#include <functional>

// Processes the GUI thread's events until `done` holds; false when the
// deadline (ms) passed first.
bool processEventsUntil(const std::function<bool()> &done, int ms);
