// Reading and writing the catalogue file (vorkel.dat). The layout is in
// catalogue_file_format.h.
//
// Every rewrite builds the whole new file in memory and replaces the old
// one through a temporary file in the same folder (flushed, then renamed
// over it, mode 0600), so a crash or a full disk leaves the old file or
// the new one, never a short one. A file whose header or sections did not
// fit its data is renamed aside (".damaged", ".damaged.1", ...) before a
// writer replaces it, so bytes the reader could not use are not destroyed.
//
// Failures are silent: a file that cannot be read leaves the containers as
// they were; a file that cannot be written stays as it was.
//
// Threads: each routine serialises its own calls with a lock of its own;
// callers keep to the GUI thread. The writers take a copy of the container
// so the container may change while the file is written.
#pragma once

#include <string>

#include "catalogue/link_map.h"

// Creates the file holding only an empty header (16 bytes: 16, 16, 0, 0)
// unless something already exists at path. Never replaces an existing file.
void create_catalogue(const std::string &path);

// Replaces the contents of map and list by the file's records and
// never-add paths. Leaves both untouched when the file cannot be read.
// Reads only what lies inside the file.
void read_catalogue(const std::string &path, LINK_MAP &map, APP_LIST &list);

// Rewrites the program records from snapshot, keeping the never-add section
// and the opaque third section as they are in the file. Creates the file
// first when it is missing.
void write_catalogue(const std::string &path, const LINK_MAP &snapshot);

// Rewrites the never-add section from snapshot, keeping the program records
// and the third section as they are in the file. Creates the file first
// when it is missing.
void write_never_add_list(const std::string &path, const APP_LIST &snapshot);
