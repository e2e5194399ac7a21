// Where Vorkel keeps its files: one folder per user beside the executable.
//
// data_directory() is the executable's folder followed by the user name
// (the user name becomes a subfolder) for a Vorkel run from its build
// folder or an unpacked folder of its own. An installed Vorkel never
// writes into its installation prefix, whoever runs it (root can write
// anywhere): its folder is $XDG_DATA_HOME/vorkel/<user name> (default
// ~/.local/share/vorkel/<user>). So is the folder of a Vorkel whose
// folder beside the executable can neither be used nor made, where the
// data would be lost at every exit. The choice is made once per process.
//
// The builders do not create the folder or touch any file; the main
// window's construction calls create_data_directory() once (mode 0700).
//
// Threads: any; each builder serialises its calls.
#pragma once

#include <string>

// The data folder, without a trailing '/'.
std::string data_directory();

std::string catalogue_file_path();  // vorkel.dat
std::string settings_file_path();   // vorkel.set
std::string columns_file_path();    // vorkel.ini
std::string statistics_file_path(); // vorkel.glb
std::string icons_file_path();      // links.dat

// Makes data_directory() return folder from now on. Test programs call it
// first, so that each test process has a data folder of its own instead of
// sharing the one beside the test binary.
void use_data_directory(const std::string &folder);

// Creates data_directory() (and a fallback's parents) with mode 0700, and
// deletes the temporary files of rewrites killed mid-write that are over
// an hour old. Failures are ignored: later opens fail and their owners
// handle that.
void create_data_directory();

// Stored once while the main window is built, read-only afterwards.
extern std::string catalogue_path;
extern std::string icons_path;

// The choice between the folder beside the executable and the one under
// $XDG_DATA_HOME, as a pure function of its inputs (for tests).
// beside_executable: not installed, and the folder beside the executable
// exists writable or can be made.
std::string choose_data_directory(const std::string &executable_folder, const std::string &user,
                                  bool beside_executable, const std::string &xdg_data_home,
                                  const std::string &home);

// Whether executable_folder is the bin folder of an installed Vorkel:
// <prefix>/bin/ whose <prefix>/share/ holds Vorkel's installed desktop
// entry or AppStream metainfo. Decided by the layout alone, so an install
// into any prefix or a DESTDIR tree counts, and a build folder does not.
bool installed_layout(const std::string &executable_folder);
