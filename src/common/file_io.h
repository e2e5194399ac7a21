// Whole-file reading and crash-safe writing.
//
// write_file_atomically writes to a temporary file in the same folder
// (mode 0600), flushes it to disk and renames it over path, so a crash or
// a full disk leaves either the old file or the new one, never a short
// one. Returns false (and leaves the old file alone) on any failure.
//
// keep_damaged_aside renames path to path + suffix (".damaged", then
// ".damaged.1", ...) so a file that could not be understood is kept for
// the user before anything replaces it. Returns the new name, or "" on
// failure.
//
// Threads: any; callers serialise writers of the same file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The whole file, or nothing when it cannot be opened or read. Files
// larger than max_bytes, and anything but a regular file (a pipe, a
// device), are not read.
std::optional<std::string> read_whole_file(const std::string &path,
                                           std::uint64_t max_bytes = 256u << 20);

// At most n bytes from the start of the file (fewer when it is shorter),
// or nothing when it cannot be opened.
std::optional<std::string> read_file_head(const std::string &path, std::size_t n);

bool write_file_atomically(const std::string &path, const std::string &bytes);

std::string keep_damaged_aside(const std::string &path);

bool path_exists(const std::string &path);

// Deletes path when it exists; true when it is gone afterwards.
bool delete_file(const std::string &path);
