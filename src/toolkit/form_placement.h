// TFormPlacement: keeps a window's position, size and state between runs
// in the registry store (platform/registry.h), under a key and a section
// named after the window class.
//
// GUI thread only.
#pragma once

#include <QString>

class QWidget;

class TFormPlacement {
public:
    TFormPlacement(QString key, QString section) : key_(std::move(key)), section_(std::move(section)) {}

    // Restores the stored placement; false when none is stored (the
    // caller then centres the window). A stored place that lies off every
    // screen is pulled back onto the primary screen's work area.
    bool restore(QWidget *w) const;
    void save(const QWidget *w) const;

    // Where the placement is stored: the window's other state goes there too.
    const QString &key() const { return key_; }
    const QString &section() const { return section_; }

private:
    QString key_;
    QString section_;
};
