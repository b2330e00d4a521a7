#pragma once
#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

enum class file_dialog_kind { open, save };

// The tool's one file dialog, modal to owner: the chosen path, empty when cancelled.
// filters are Qt name filters ("配置文件(*.ini)"); default_suffix is added to a typed name
// without one. A save dialog asks before overwriting.
QString choose_file(QWidget* owner, file_dialog_kind kind, const QStringList& filters, const QString& default_suffix);

// Replaces the dialog, e.g. by a test's answer; an empty handler restores it.
using file_dialog_handler = std::function<QString(file_dialog_kind kind, const QStringList& filters)>;
void set_file_dialog_handler(file_dialog_handler handler);
