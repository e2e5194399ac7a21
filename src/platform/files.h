// The file system, for the portable code: whole-file reads, crash-safe
// writes, folders made private to the user, and the tests a path needs.
// Paths are byte strings; names are never interpreted as text.
//
// Error results are errno values (ENOENT, EACCES ...), 0 for success.
// Threads: any; no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// True when path names a regular file / a folder (links followed).
bool is_file(const std::string &path);
bool is_folder(const std::string &path);
// True when something exists at path.
bool path_exists(const std::string &path);
// 0 when path names something that can be looked at, else why not.
int path_error(const std::string &path);
// True for a folder in which this user may make and delete files.
bool is_writable_folder(const std::string &path);

// Makes folder and its missing parents ("mkdir -p"), each new one with
// mode 0700, so only the user can reach what is put inside. 0 when the
// folder exists afterwards.
int make_folders(const std::string &folder);

// The last name of a path ("/a/b" -> "b"; "" for a path without '/') and
// the folder before it, with its trailing '/' ("/a/b" -> "/a/").
std::string file_name_of(const std::string &path);
std::string folder_of(const std::string &path);

// The whole regular file, or nothing when it cannot be opened or read or
// is larger than max_bytes.
std::optional<std::string> read_file(const std::string &path, std::uint64_t max_bytes);
// At most n bytes from the start of the file, or nothing when it cannot
// be opened.
std::optional<std::string> read_file_head(const std::string &path, std::size_t n);

// Writes bytes to a temporary file beside path (mode 0600), flushes it to
// disk and renames it over path: afterwards path holds either its old
// contents or the new ones, never a mixture. False on any failure, with
// path untouched and no temporary file left; the failure is told in one
// line on standard error ("vorkel: could not write <path>: <reason>").
// A process killed mid-write leaves its temporary file <name>.tmp-XXXXXX.
bool replace_file(const std::string &path, const std::string &bytes);
// Deletes the temporary files of replace_file in folder (regular files
// named <name>.tmp- and six letters or digits) last changed at least
// max_age_seconds ago: left behind by a process killed mid-write. How
// many were deleted.
int remove_stale_temporary_files(const std::string &folder, std::int64_t max_age_seconds);
// Makes a new file holding bytes (mode 0600, flushed to disk). Never
// replaces what exists; a failed create leaves no file. 0, EEXIST, or why.
int create_file(const std::string &path, const std::string &bytes);
// Renames from to to, unless something exists at to already. 0 or why.
int rename_file_keeping(const std::string &from, const std::string &to);
// Deletes the file at path; 0 also when there was none.
int delete_file(const std::string &path);

} // namespace platform
