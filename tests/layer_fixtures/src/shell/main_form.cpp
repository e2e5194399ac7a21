// Allowed: the shell includes any layer.
#include "shell/main_form.h"
#include "catalogue/shortcuts_page.h"
