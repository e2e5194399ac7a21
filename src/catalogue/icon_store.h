// The icon store links.dat: the 16 x 16 images the user chose for
// programs, kept by program path.
//
// The file is a sequence of 1028-byte records with no header: the path in
// a 260-byte field (zero-terminated, zero-padded), then its 768-byte image.
// The image is 16 rows of 16 pixels, bottom row first, each pixel as blue,
// green, red bytes. Records are appended when a program first gets an icon;
// setting another icon for the same path overwrites the image in place.
//
// Lookup compares the path with the name of each record, at the record
// starts only (offsets 0, 1028, 2056 ...), the whole zero-terminated name:
// a path that happens to stand inside an image or after another name's
// first bytes is no match, so a write never lands in another record. A
// record whose image runs past the file's end is no match either.
//
// The pure functions on the file's bytes are in icon_store_format.h;
// read_icon and write_icon work on the file. Writes go through a temporary file renamed over the
// old one, so an interrupted write leaves the old store or the new one. A
// store whose length is not a whole number of records (a torn or foreign
// file) is kept aside as links.dat.damaged before it is rewritten; the
// rewrite keeps its whole records.
//
// Threads: read_icon and write_icon each serialise themselves; the GUI
// thread is their only caller. No Qt or OS header here.
#pragma once

#include "catalogue/icon_store_format.h"

#include <string>

// The store file's bytes; empty when it is missing or unreadable. Shares
// read_icon's lock.
std::string read_icon_store(const std::string &store_path);

// Reads the image stored for path in the store file into image. False when
// the file is missing or unreadable, or holds no image for path.
bool read_icon(const std::string &store_path, const std::string &path, ICON_IMAGE &image);

// Stores image for path in the store file, creating the file when there
// is none. False when nothing was written (the path does not fit a name
// field, the folder cannot be written, or the existing store cannot be
// read); the old file is then unchanged.
bool write_icon(const std::string &store_path, const std::string &path, const ICON_IMAGE &image);
