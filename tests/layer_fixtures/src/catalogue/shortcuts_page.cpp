// A page that includes the main window.
#include "shell/main_form.h"
