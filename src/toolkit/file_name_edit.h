// TFileNameEdit: a line edit for a file name with a button that opens a
// file dialog. Screen readers call the button "Browse" and the text box by
// the caption its owner gives (the label beside it).
//
// GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

class TFileNameEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFileNameEdit(QWidget *parent = nullptr);

    QString file_name() const;
    void set_file_name(const QString &name);
    // Caption and filter of the dialog; save_mode asks for a file to write.
    void set_dialog(const QString &caption, const QString &filter, bool save_mode);
    // The text box's name for screen readers.
    void set_accessible_name(const QString &name);

    QLineEdit *edit() const { return edit_; }
    QToolButton *button() const { return button_; }

signals:
    void changed(const QString &name);

private:
    void browse();

    QLineEdit *edit_;
    QToolButton *button_;
    QString caption_;
    QString filter_;
    bool save_mode_ = true;
};
