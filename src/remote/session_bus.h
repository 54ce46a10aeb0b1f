#pragma once

#include <QDBusConnection>

namespace remote {

// The user's session bus, or a connection that is not connected when there is
// none to reach. Never launches a bus of its own (libdbus would start one for
// an X display when no address is known, and leave it running).
QDBusConnection ReachableSessionBus();

}  // namespace remote
