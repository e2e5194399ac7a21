// The settings file vorkel.set in the data folder; the record itself is
// in settings_record.h.
#pragma once

#include "shell/settings_record.h"

// Fills s from the first 32 bytes of vorkel.set; a missing or shorter file
// gives the defaults (the caller zero-fills s first). GUI thread.
void read_settings(SETTINGS_STRUCT &s);

// Writes s as vorkel.set (temporary file renamed over the old one). A
// failure writes nothing and is not reported. GUI thread.
void write_settings(const SETTINGS_STRUCT &s);
