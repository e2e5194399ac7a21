// refresher_count: which worker keeps process_table current while the Tasks
// page does not.
//
// Given 0 it returns the count; given +1 or -1 it adds that and returns the
// new count. 0 at start. Any thread; serialised by a private SFXMutex.
#pragma once

int refresher_count(int delta);
