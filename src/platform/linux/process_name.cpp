#include "platform/linux/process_name.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::string_view worker_prefix = "kworker/";
constexpr std::string_view rescuer_prefix = "kworker/R-";
constexpr std::string_view deleted_suffix = " (deleted)";

std::string_view file_name_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A longer name that the cut comm is the start of.
bool completes(std::string_view candidate, std::string_view comm) {
    return candidate.size() > comm.size() && candidate.substr(0, comm.size()) == comm;
}

} // namespace

bool comm_may_be_cut(std::string_view comm, bool kernel_thread) {
    return !kernel_thread && comm.size() >= comm_length_limit;
}

std::string whole_process_name(std::string_view comm, bool kernel_thread, std::string_view executable,
                               std::string_view command_line) {
    if (kernel_thread) {
        if (comm.substr(0, worker_prefix.size()) != worker_prefix ||
            comm.substr(0, rescuer_prefix.size()) == rescuer_prefix)
            return std::string(comm);
        const std::size_t queue = comm.find_first_of("-+", worker_prefix.size());
        return std::string(comm.substr(0, queue));
    }
    if (!comm_may_be_cut(comm, kernel_thread))
        return std::string(comm);
    if (executable.size() > deleted_suffix.size() &&
        executable.substr(executable.size() - deleted_suffix.size()) == deleted_suffix)
        executable.remove_suffix(deleted_suffix.size());
    if (const std::string_view name = file_name_of(executable); completes(name, comm))
        return std::string(name);
    // The program itself, then the script an interpreter runs.
    std::size_t at = 0;
    for (int word = 0; word < 2 && at < command_line.size(); ++word) {
        const std::size_t end = std::min(command_line.find('\0', at), command_line.size());
        const std::string_view name = file_name_of(command_line.substr(at, end - at));
        if (completes(name, comm))
            return std::string(name);
        at = end + 1;
    }
    return std::string(comm);
}

} // namespace platform
