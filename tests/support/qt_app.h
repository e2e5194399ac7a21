// The one QApplication of a test program, made on first use and kept to
// the end of the process. Without a DISPLAY (or with offscreen = true) it
// runs on Qt's offscreen platform.
#pragma once

void ensure_qt_application(bool offscreen = false);
