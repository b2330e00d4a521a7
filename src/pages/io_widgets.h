#pragma once
#include <optional>
#include <vector>

#include <QString>

#include "pages/logic/number_field.h"
#include "pages/logic/status_list.h"

class QGridLayout;
class QIcon;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;

// Widgets the IO pages build alike. Controls get the object name id<ID>.

// The bit images of the status lists (17×16): 0 a grey cell with a white "0", 1 a white
// cell with a red border and a red "1".
const QIcon& bit_image(int image);

// The report list 1002 with its columns, rows and fixed labels, value cells empty.
QTableWidget* make_status_list(QWidget* parent, const std::vector<page_logic::list_column>& columns,
                               const std::vector<page_logic::list_label>& labels, int rows);
// Fixes the list's height to its header and rows, and its width to its columns unless
// the page sizes it.
void fit_list(QTableWidget* list, bool fixed_width);
// Empties every cell but the fixed labels.
void clear_values(QTableWidget* list, const std::vector<page_logic::list_label>& labels);
// Rewrites the given value cells; a bit cell keeps its image index as Qt::UserRole.
void apply_cells(QTableWidget* list, const page_logic::cell_updates& cells);

QPushButton* make_button(QWidget* parent, int id, const QString& caption);
QLineEdit* make_edit(QWidget* parent, int id, const QString& text);
// A row of a grid: label, edit, unit, and optionally a button after them.
void add_edit_row(QGridLayout* grid, int row, const QString& label, QLineEdit* edit, const QString& unit,
                  QPushButton* button = nullptr);

// The number in an edit box, by the rule every page reads its numbers with.
double edit_number(const QLineEdit* edit);
// A field that drives an output: its value, or nothing and the refusal that names the
// field and its range.
std::optional<double> field_number(const QLineEdit* edit, const page_logic::number_field& field, QString& refusal);
