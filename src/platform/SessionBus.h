#pragma once

#include <QDBusConnection>

// The desktop's buses, asked for only when they can be there. Asking Qt for
// a bus that is not there still starts its bus thread, and could make
// libdbus launch a session bus of its own.

// The session bus when its address is in the environment or its socket is
// in the runtime folder; otherwise a connection that is not connected.
QDBusConnection sessionBusIfAny();

// Whether the system bus may be reachable (its address is set or its
// socket exists).
bool systemBusMayExist();
