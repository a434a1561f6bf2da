#pragma once
// Server calls made from the user-interface thread do not freeze it: the exchange runs on a
// thread of its own while the windows go on painting and the busy animation turns on top of
// the window in front. Input is swallowed meanwhile (keys, clicks, closing a window), so
// nothing can be half-sent or started twice; the hourglass shows it. A call that shows no
// animation of its own gets the standard one once it lasts longer than a glance.

namespace vnd::widgets
{

// Installs the waiter on the server connections (once; every host window asks for it).
void keepWindowsPaintedDuringCalls();

// A call is under way on the user-interface thread.
bool serverCallInProgress();

} // namespace vnd::widgets
