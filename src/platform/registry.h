// The per-user registry values the program keeps (window placement, the
// Shortcuts grid's own column sizes), stored with QSettings.
//
// A key path "Software\A\B" under the current user maps to the INI file
// $XDG_CONFIG_HOME/A/B.conf; "Software\A" to $XDG_CONFIG_HOME/A.conf. A
// section is a group inside that file.
//
// Threads: GUI thread.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace platform {

std::unique_ptr<QSettings> open_user_key(const QString &key_path);

// The file open_user_key uses for key_path (pure; for tests).
QString user_key_file(const QString &config_home, const QString &key_path);

} // namespace platform
