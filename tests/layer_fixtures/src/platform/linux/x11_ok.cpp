// Allowed: Xlib and system headers in the Linux platform code.
#include <X11/Xlib.h>
#include <unistd.h>
