// od, the "Add new shortcut" file dialog.
//
// Programs here rarely carry an extension, so besides the extension list
// and "All" the dialog offers "Executables": every file the user may run.
// No default extension is appended: it would turn a chosen "tool" into a
// missing "tool.exe".
#include "catalogue/shortcuts_page.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {

const QString executables_filter = QStringLiteral("Executables (*)");

// Hides the files that cannot be run while "Executables" is selected;
// folders stay so the user can move about.
class executable_files_only : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void set_active(bool on) {
        if (on == active_)
            return;
        active_ = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex &source_parent) const override {
        if (!active_)
            return true;
        auto *files = qobject_cast<QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        QFileInfo info = files->fileInfo(files->index(source_row, 0, source_parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool active_ = false;
};

} // namespace

std::string choose_program_file(QWidget *owner) {
    QFileDialog od(owner, QStringLiteral("Add new shortcut"));
    od.setObjectName(QStringLiteral("od"));
    od.setOption(QFileDialog::DontUseNativeDialog); // the proxy needs Qt's own dialog
    od.setFileMode(QFileDialog::ExistingFile);
    od.setAcceptMode(QFileDialog::AcceptOpen);
    auto *proxy = new executable_files_only(&od);
    od.setProxyModel(proxy);
    od.setNameFilters({executables_filter, QStringLiteral("Executable fies (*.exe *.com *bat)"),
                       QStringLiteral("All (*)")});
    QObject::connect(&od, &QFileDialog::filterSelected, proxy,
                     [proxy](const QString &filter) { proxy->set_active(filter == executables_filter); });
    od.selectNameFilter(executables_filter);
    proxy->set_active(true);
    if (od.exec() != QDialog::Accepted || od.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(od.selectedFiles().constFirst()).toStdString();
}
