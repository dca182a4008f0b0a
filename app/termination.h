#pragma once

#include <functional>

class QObject;

namespace kryvet {

// Turns SIGTERM, SIGINT and SIGHUP into a call of `request` from the event
// loop, where the main window decides when to end: never in the middle of a
// rewrite.
void InstallTerminationHandlers(QObject* parent, std::function<void()> request);

}  // namespace kryvet
