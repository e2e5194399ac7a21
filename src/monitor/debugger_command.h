// The command line that attaches the registered debugger to a process.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// registered with everything after the first "-p " cut off (the "-p " itself
// kept), then id_text appended; without "-p " id_text is appended to the
// whole text with nothing in between. Nothing is ever cut to a length: a
// shortened line could end in part of the id, which names another process.
// Empty when registered is empty.
std::string build_debugger_command(std::string_view registered, std::string_view id_text);

// The command used when no debugger is registered: terminal (a terminal
// emulator's path) running "gdb -p ", ready for the id. Each part is
// quoted when it holds a blank or a quote.
std::string default_debugger_command(const std::string &terminal, const std::string &gdb);
