// A portable file that calls the system directly.
#include <unistd.h>
