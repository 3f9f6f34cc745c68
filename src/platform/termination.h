#pragma once

namespace platform {

// SIGTERM (the session ending), SIGINT and SIGHUP end the event loop as "Quit" does, so that
// what happens at exit happens then too.
void quitOnTerminationSignals();

} // namespace platform
