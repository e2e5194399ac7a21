// The catalogue file's byte layout, as pure functions over bytes.
//
// Layout (all integers 32-bit little-endian):
//   header, 16 bytes: links_end, extra_offset, list_size, extra_size
//   section 1, [16, links_end): program records of 272 bytes in key order:
//       260-byte name field, show_in_menu, startup, reserved
//   section 2, [links_end, links_end + list_size): never-add paths, one
//       260-byte name field each, in list order
//   section 3, [extra_offset, extra_offset + extra_size): opaque bytes that
//       every writer carries over unchanged
// A name field holds the path's bytes, a zero byte, and zero padding. A
// program record's path is never empty.
//
// split_catalogue never reads outside the bytes it is given: offsets and
// sizes in the header are checked against the data, and only whole
// records and fields that lie inside it are taken, and of those only the
// sound ones: a name field without terminating zero, or a program record
// with an empty name, is left out. Anything it had to cut, leave out or
// could not make sense of sets `damaged`, so that the caller keeps the
// original file aside before replacing it; the sections it returns hold
// no damage, so writers that carry one over write a sound file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/link_map.h"

constexpr std::size_t catalogue_header_size = 16;
constexpr std::size_t name_field_size = 260;
constexpr std::size_t link_record_size = 272;

struct CATALOGUE_SECTIONS_STRUCT {
    std::string links;      // section 1: whole, sound 272-byte records only
    std::string never_add;  // section 2: whole, terminated 260-byte fields only
    std::string extra;      // section 3: opaque
    bool damaged = false;   // the header or a section did not fit the data
};

// Cuts a file image into its three sections. An image shorter than the
// header yields empty sections (damaged unless the image is empty).
CATALOGUE_SECTIONS_STRUCT split_catalogue(std::string_view image);

// Builds a file image: the header computed from the section sizes, then
// the sections back to back. Section sizes must be whole records/fields.
std::string join_catalogue(std::string_view links, std::string_view never_add,
                           std::string_view extra);

// Section 1 from a map, in key order. Entries whose key is empty or not
// storable_path are left out.
std::string encode_link_records(const LINK_MAP &map);

// Inserts the records of section 1 into map (a repeated key keeps the
// first record). A record whose name field has no terminating zero or is
// empty is skipped and reported by returning false.
bool decode_link_records(std::string_view links, LINK_MAP &map);

// Section 2 from a list, in list order; paths that are not storable_path
// are left out.
std::string encode_never_add(const APP_LIST &list);

// Appends the paths of section 2 to list. A field without terminating zero
// is skipped and reported by returning false.
bool decode_never_add(std::string_view never_add, APP_LIST &list);
