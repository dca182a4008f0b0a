#pragma once

class QObject;

// Turns SIGTERM, SIGINT and SIGHUP into an orderly quit of the event loop.
// The loop only runs between operations (and inside their dialogs), so a
// request that arrives while a file is being rewritten takes effect after
// the file is complete and closed, never in the middle of it.
void InstallTerminationHandlers(QObject* parent);
