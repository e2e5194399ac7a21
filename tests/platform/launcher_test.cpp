#include "catalogue/launcher.h"
#include "platform/launcher.h"
#include "platform/linux/descriptor_limit.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes an executable script that records its working folder, parent,
// arguments and open descriptors into report, atomically (so the test
// sees either nothing or the whole report).
std::string make_reporter(const std::string &folder, const std::string &name,
                          const std::string &report) {
    mkdir(folder.c_str(), 0700);
    std::string path = folder + "/" + name;
    test_env::write_file(path, "#!/bin/sh\n{\n"
                               "  printf 'cwd=%s\\n' \"$(pwd -P)\"\n"
                               "  printf 'ppid=%s\\n' \"$PPID\"\n"
                               "  printf 'nofile=%s\\n' \"$(ulimit -Sn)\"\n"
                               "  for a in \"$@\"; do printf 'arg=<%s>\\n' \"$a\"; done\n"
                               "  ls -l /proc/$$/fd\n"
                               "} > '" + report + ".tmp'\n"
                               "mv '" + report + ".tmp' '" + report + "'\n");
    chmod(path.c_str(), 0700);
    return path;
}

std::string wait_for_report(const std::string &report) {
    EXPECT_TRUE(test_env::wait_until([&] { return test_env::file_exists(report); }));
    return test_env::read_file(report);
}

int zombie_children() {
    int count = 0;
    DIR *d = opendir("/proc");
    while (dirent *e = readdir(d)) {
        std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(in, line) || line.rfind(')') == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + line.rfind(')') + 1, " %c %d", &state, &ppid) == 2 &&
            ppid == getpid() && state == 'Z')
            ++count;
    }
    closedir(d);
    return count;
}

struct path_override {
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    explicit path_override(const std::string &value) { setenv("PATH", value.c_str(), 1); }
    ~path_override() { setenv("PATH", saved.c_str(), 1); }
};

} // namespace

TEST(Launcher, StartsProgramInItsFolderDetachedWithoutLeakingDescriptors) {
    std::string base = test_env::make_temp_dir("launch");
    std::string report = base + "/report";
    std::string program = make_reporter(base + "/My Tools", "x y", report);
    int leak = open((base + "/leak-marker").c_str(), O_CREAT | O_WRONLY, 0600); // no O_CLOEXEC
    ASSERT_GE(leak, 0);

    ASSERT_EQ(launch_catalogued_program(program), 0);
    EXPECT_EQ(zombie_children(), 0);
    std::string out = wait_for_report(report);
    close(leak);
    EXPECT_NE(out.find("cwd=" + base + "/My Tools\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("arg="), std::string::npos) << out;
    EXPECT_EQ(out.find("ppid=" + std::to_string(getpid()) + "\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("leak-marker"), std::string::npos) << out;
}

TEST(Launcher, ProgramsGetTheDescriptorLimitVorkelStartedWith) {
    // Vorkel raises its own limit for the process snapshot; a launched
    // program that uses select() must not see more than it would have.
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    const std::size_t now = platform::raise_descriptor_limit();
    const std::size_t original = platform::original_descriptor_limit();
    if (before.rlim_max == RLIM_INFINITY || before.rlim_max > original) {
        EXPECT_GT(now, original) << "the soft limit was not raised";
    }

    std::string base = test_env::make_temp_dir("limit");
    std::string report = base + "/report";
    ASSERT_EQ(launch_catalogued_program(make_reporter(base + "/bin", "limit", report)), 0);
    std::string out = wait_for_report(report);
    EXPECT_NE(out.find("nofile=" + std::to_string(original) + "\n"), std::string::npos) << out;
}

TEST(Launcher, CommandLineArgumentsAndAwkwardPathsArriveIntact) {
    std::string base = test_env::make_temp_dir("launch");
    struct CASE {
        std::string folder, name, args;
        std::vector<std::string> want;
    };
    const CASE cases[] = {
        {"/\xc3\xbc dir\xff", "prog\xe9 ", " a \"b c\" d\\\"e \"\"", {"a", "b c", "d\"e", ""}},
        {"/q\"uote", "run 'me'", "", {}},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string report = base + "/report" + std::to_string(n++);
        std::string program = make_reporter(base + c.folder, c.name, report);
        ASSERT_EQ(launch_program(program_command_line(program) + c.args, program_folder(program)), 0);
        std::string out = wait_for_report(report);
        EXPECT_NE(out.find("cwd=" + base + c.folder + "\n"), std::string::npos) << out;
        std::string args;
        for (const auto &a : c.want)
            args += "arg=<" + a + ">\n";
        if (args.empty())
            EXPECT_EQ(out.find("arg="), std::string::npos) << out;
        else
            EXPECT_NE(out.find("\n" + args + "total"), std::string::npos) << out;
    }
}

TEST(Launcher, CataloguedPathWithQuotesStartsThatVeryFile) {
    // "/d/x" exists, so splitting "/d/x" --flag "y" again would start it.
    std::string base = test_env::make_temp_dir("quoted");
    std::string prefix_report = base + "/prefix-ran";
    std::string whole_report = base + "/whole-ran";
    make_reporter(base + "/d", "x", prefix_report);
    std::string whole = make_reporter(base + "/d", "x\" --flag \"y", whole_report);

    ASSERT_EQ(launch_catalogued_program(whole), 0);
    std::string out = wait_for_report(whole_report);
    EXPECT_NE(out.find("cwd=" + base + "/d\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("arg="), std::string::npos) << out;
    EXPECT_FALSE(test_env::file_exists(prefix_report)) << test_env::read_file(prefix_report);

    // Not a program: the opener gets the exact path as one argument.
    std::string bin = base + "/bin";
    std::string opened = base + "/opened";
    make_reporter(bin, "xdg-open", opened);
    std::string doc = base + "/d/notes \"1\" .txt";
    test_env::write_file(doc, "text");
    path_override path(bin + ":/usr/bin:/bin");
    ASSERT_EQ(launch_catalogued_program(doc), 0);
    out = wait_for_report(opened);
    EXPECT_NE(out.find("arg=<" + doc + ">\n"), std::string::npos) << out;
    EXPECT_NE(out.find("cwd=" + base + "/d\n"), std::string::npos) << out;
}

TEST(Launcher, FallsBackToTheDesktopOpenerForNonPrograms) {
    std::string base = test_env::make_temp_dir("open");
    std::string bin = base + "/bin";
    std::string report = base + "/opened";
    make_reporter(bin, "xdg-open", report);
    std::string doc = base + "/-notes.txt";
    test_env::write_file(doc, "text");
    {
        path_override path(bin + ":/usr/bin:/bin");
        EXPECT_EQ(launch_program(program_command_line(doc), base), 0);
        std::string out = wait_for_report(report);
        EXPECT_NE(out.find("arg=<" + doc + ">\n"), std::string::npos) << out;
        // A relative name starting with '-' must not reach the opener as an option.
        unlink(report.c_str());
        EXPECT_EQ(launch_program("-notes.txt", base), 0);
        out = wait_for_report(report);
        EXPECT_NE(out.find("arg=<./-notes.txt>\n"), std::string::npos) << out;
    }

    // Nothing to fall back to: the direct start's failure is reported.
    path_override path(base + "/empty");
    EXPECT_EQ(launch_program(program_command_line(doc), base), EACCES);
    EXPECT_EQ(launch_program("\"\"", ""), ENOENT);
    EXPECT_EQ(launch_program("", ""), ENOENT);
}

TEST(Launcher, UnusableWorkingFolderOrMissingProgramIsAnError) {
    EXPECT_NE(platform::start_detached({"/bin/true"}, "/nonexistent/folder"), 0);
    EXPECT_EQ(platform::start_detached({"/nonexistent/program"}, ""), ENOENT);
    EXPECT_EQ(platform::start_detached({"no-such-program-anywhere"}, ""), ENOENT);
    EXPECT_EQ(platform::start_detached({}, ""), ENOENT);
    EXPECT_EQ(platform::start_detached({"true"}, "/"), 0); // found through PATH
    EXPECT_EQ(zombie_children(), 0);
}
