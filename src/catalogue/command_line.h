// Splitting a command line into an argument vector, by the quoting rules
// that Vorkel's command lines are written in (the ones of the Windows
// shell's CommandLineToArgvW), so that a stored command line means the
// same program and arguments on every platform.
//
// The first argument, the program, is special: when it starts with a
// double quote it runs to the next double quote, whatever precedes it;
// otherwise to the first blank or tab. Backslashes have no meaning in it.
// The rest: blanks and tabs outside quotes separate arguments; a double
// quote toggles quoting; 2n backslashes before a quote give n backslashes
// and the quote toggles; 2n+1 backslashes before a quote give n
// backslashes and a literal quote; backslashes not before a quote are
// literal; inside quotes, "" gives a literal quote.
//
// Pure function over bytes; non-ASCII bytes pass through unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// An empty line gives an empty vector. Otherwise the program name is
// always the first element, empty when the line starts with a blank or
// with "" (such a line names no program).
std::vector<std::string> split_command_line(std::string_view line);
