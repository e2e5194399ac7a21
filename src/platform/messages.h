// Window messages known by name, shared by every Vorkel process of the
// display.
//
// register_message gives the same id in every process for the same name
// (on X11 the id is the name's atom). broadcast_message delivers a message
// to every Vorkel message window of the display (one top-level window per
// running Vorkel, marked as such; other programs' windows are left alone),
// so every running Vorkel sees it, whatever its executable name; it
// returns once the server has taken all deliveries. Messages carry no
// data.
//
// Threads: GUI thread only. Handlers run on the GUI thread from the event
// loop (see platform/linux/x11_pump.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// 0 when there is no display connection.
std::uint32_t register_message(const std::string &name);

// Sends to every Vorkel message window and waits until the server has
// processed the sends. Without a display it reaches only this process.
void broadcast_message(std::uint32_t id);

// As broadcast_message, but returns without waiting for the server
// (the message is queued behind this process's earlier requests).
void post_broadcast_message(std::uint32_t id);

// Called for every registered-name message that reaches this process.
// Returns a token for remove_message_handler.
int add_message_handler(std::function<void(std::uint32_t id)> handler);
void remove_message_handler(int token);

} // namespace platform
