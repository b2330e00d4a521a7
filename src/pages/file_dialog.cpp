#include "pages/file_dialog.h"

#include <QFileDialog>

namespace {

file_dialog_handler& handler()
{
    static file_dialog_handler replacement;
    return replacement;
}

} // namespace

QString choose_file(QWidget* owner, file_dialog_kind kind, const QStringList& filters, const QString& default_suffix)
{
    if (handler())
        return handler()(kind, filters);
    QFileDialog dialog(owner);
    bool open = kind == file_dialog_kind::open;
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(default_suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

void set_file_dialog_handler(file_dialog_handler replacement)
{
    handler() = std::move(replacement);
}
