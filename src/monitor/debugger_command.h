// The command line that attaches the registered debugger to a process.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The longest command line built: a 260-byte buffer with its terminating
// zero, so 259 bytes of text.
constexpr std::size_t debugger_command_limit = 259;

// registered with everything after the first "-p " cut off (the "-p " itself
// kept), then id_text appended; without "-p " id_text is appended to the
// whole text with nothing in between. The result is cut to
// debugger_command_limit bytes. Empty when registered is empty.
std::string build_debugger_command(std::string_view registered, std::string_view id_text);

// The command used when no debugger is registered: terminal (a terminal
// emulator's path) running "gdb -p ", ready for the id. Each part is
// quoted when it holds a blank or a quote.
std::string default_debugger_command(const std::string &terminal, const std::string &gdb);
