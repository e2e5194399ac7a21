// Xlib outside the Linux platform code.
#include <X11/Xlib.h>
