// The arithmetic behind TRxSlider, kept free of widgets so it can be
// checked on its own.
//
// A slider has a range [minimum, maximum] and an increment. Any value
// handed to it is clamped to the range. A slider that is not smooth only
// takes positions minimum + k * increment; a dragged position goes to the
// nearest of them (halfway rounds up) that still lies inside the range.
//
// An increment below 1 counts as 1; a maximum below the minimum counts as
// equal to the minimum. Pure functions, any thread.
#pragma once

// value clamped to [minimum, maximum].
int slider_clamp(long long value, int minimum, int maximum);

// The position a non-smooth slider takes for value: clamped, then moved
// to the nearest minimum + k * increment inside the range.
int slider_snap(long long value, int minimum, int maximum, int increment);
