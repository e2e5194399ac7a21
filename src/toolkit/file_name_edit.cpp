#include "toolkit/file_name_edit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

TFileNameEdit::TFileNameEdit(QWidget *parent) : QWidget(parent) {
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    edit_ = new QLineEdit(this);
    button_ = new QToolButton(this);
    button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    button_->setToolTip(tr("Browse"));
    // An icon alone says nothing to a screen reader.
    button_->setAccessibleName(tr("Browse"));
    lay->addWidget(edit_, 1);
    lay->addWidget(button_);
    connect(button_, &QToolButton::clicked, this, &TFileNameEdit::browse);
    connect(edit_, &QLineEdit::textChanged, this, &TFileNameEdit::changed);
}

QString TFileNameEdit::file_name() const { return edit_->text(); }

void TFileNameEdit::set_file_name(const QString &name) { edit_->setText(name); }

void TFileNameEdit::set_dialog(const QString &caption, const QString &filter, bool save_mode) {
    caption_ = caption;
    filter_ = filter;
    save_mode_ = save_mode;
}

void TFileNameEdit::set_accessible_name(const QString &name) { edit_->setAccessibleName(name); }

void TFileNameEdit::browse() {
    QString chosen = save_mode_
                         ? QFileDialog::getSaveFileName(this, caption_, edit_->text(), filter_, nullptr,
                                                        QFileDialog::DontConfirmOverwrite)
                         : QFileDialog::getOpenFileName(this, caption_, edit_->text(), filter_);
    if (!chosen.isEmpty())
        edit_->setText(chosen);
}
