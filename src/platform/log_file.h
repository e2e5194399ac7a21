// A text file that a worker appends to for as long as it runs (the
// one-process log).
//
// open() creates the file or empties it. Only regular files are logged
// to: a FIFO, a device or a folder is refused at once (a FIFO would block
// the opener, or end the program with SIGPIPE when its reader goes away).
// Every append goes to the end of the file; write errors are not reported.
//
// Threads: one owner at a time; the file may be opened on one thread and
// handed to another.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class LOG_FILE {
public:
    LOG_FILE() = default;
    ~LOG_FILE();
    LOG_FILE(const LOG_FILE &) = delete;
    LOG_FILE &operator=(const LOG_FILE &) = delete;
    LOG_FILE(LOG_FILE &&other) noexcept;
    LOG_FILE &operator=(LOG_FILE &&other) noexcept;

    // Opens path for writing, creating it or truncating it to zero length.
    // False, with a one-sentence reason in error, when it cannot.
    bool open(const std::string &path, std::string &error);
    bool is_open() const { return fd_ >= 0; }
    void append(std::string_view bytes);
    void close();

private:
    int fd_ = -1;
};

} // namespace platform
