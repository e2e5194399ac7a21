#include "platform/registry.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

QString user_key_file(const QString &config_home, const QString &key_path) {
    QStringList parts = key_path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    QStringList clean;
    for (QString p : parts) {
        p.replace(QLatin1Char('/'), QLatin1Char('_'));
        if (p == QLatin1String(".") || p == QLatin1String(".."))
            p = QLatin1Char('_') + p;
        clean << p;
    }
    if (clean.isEmpty())
        clean << QStringLiteral("Software");
    return config_home + QLatin1Char('/') + clean.join(QLatin1Char('/')) + QStringLiteral(".conf");
}

std::unique_ptr<QSettings> open_user_key(const QString &key_path) {
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(user_key_file(home, key_path), QSettings::IniFormat);
}

} // namespace platform
