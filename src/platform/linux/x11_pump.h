// The bridge between Vorkel's Xlib connection and the GUI event loop.
// Neither Xlib nor Qt appears here, so both sides may include it.
//
// GUI thread only.
#pragma once

namespace platform::x11 {

// The connection's socket, or -1 when there is no connection.
int connection_fd();

// Reads and hands out every event queued on the connection. Safe to call
// at any time; does nothing without a connection.
void dispatch_pending();

// Hands out only the events Xlib has already read (while waiting for a
// reply): no system call. Every request Vorkel sends is flushed where it
// is made, so nothing waits for a flush here.
void dispatch_queued();

// Hooks the connection into the Qt event loop: dispatch_pending() when
// its socket is readable, dispatch_queued() before the loop blocks, since
// Xlib may have queued events while answering another request. Needs a QCoreApplication. Idempotent.
void attach_to_event_loop();

} // namespace platform::x11
