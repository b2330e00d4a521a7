#include "pages/io_widgets.h"

#include <array>

#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include "pages/logic/edit_number.h"
#include "pages/logic/io_scaling.h"

namespace {

// what a push button keeps beside its caption: frame and margins
constexpr int button_padding = 16;

QPixmap draw_bit_image(int bit)
{
    QPixmap pixmap(17, 16);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    if (bit == 0) {
        pixmap.fill(QColor(128, 128, 128));
        painter.setPen(Qt::white);
    } else {
        pixmap.fill(Qt::white);
        painter.setPen(Qt::red);
        painter.drawRect(0, 0, 16, 15);
    }
    painter.drawText(pixmap.rect(), Qt::AlignCenter, bit == 0 ? "0" : "1");
    return pixmap;
}

// The column's own width, or more where its header, a label or its widest value needs it
// in the font the list has.
int column_width(const QTableWidget* list, int column, const page_logic::list_column& spec)
{
    QStyle* style = list->style();
    // the item delegate keeps a margin on both sides of a cell's text; one pixel for the grid
    int cell_margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 1;
    int header_margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list) + 1;
    QFontMetrics metrics = list->fontMetrics();
    int width = std::max(spec.width, metrics.horizontalAdvance(QString::fromUtf8(spec.header)) + header_margin);
    auto fit = [&](const QString& text) { width = std::max(width, metrics.horizontalAdvance(text) + cell_margin); };
    for (int row = 0; row < list->rowCount(); ++row)
        fit(list->item(row, column)->text());
    for (page_logic::cell_format format : spec.formats)
        for (const std::string& text : page_logic::widest_texts(format))
            fit(QString::fromStdString(text));
    return width;
}

Qt::Alignment qt_alignment(page_logic::alignment align)
{
    return (align == page_logic::alignment::right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

} // namespace

const QIcon& bit_image(int image)
{
    static const std::array<QIcon, 2> images = {QIcon(draw_bit_image(0)), QIcon(draw_bit_image(1))};
    return images.at(image);
}

QTableWidget* make_status_list(QWidget* parent, const std::vector<page_logic::list_column>& columns,
                               const std::vector<page_logic::list_label>& labels, int rows)
{
    auto* list = new QTableWidget(rows, int(columns.size()), parent);
    list->setObjectName("id1002");
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(17, 16));
    list->verticalHeader()->hide();
    for (int c = 0; c < int(columns.size()); ++c) {
        auto* header = new QTableWidgetItem(QString::fromUtf8(columns[c].header));
        header->setTextAlignment(qt_alignment(columns[c].align));
        list->setHorizontalHeaderItem(c, header);
        for (int row = 0; row < rows; ++row) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(qt_alignment(columns[c].align));
            list->setItem(row, c, item);
        }
    }
    for (const page_logic::list_label& label : labels)
        list->item(label.row, label.column)->setText(QString::fromStdString(label.text));
    for (int c = 0; c < int(columns.size()); ++c)
        list->setColumnWidth(c, column_width(list, c, columns[c]));
    // a row as high as the font, with the bit images' 16 px as the least
    list->verticalHeader()->setDefaultSectionSize(std::max(18, list->fontMetrics().height() + 4));
    return list;
}

void fit_list(QTableWidget* list, bool fixed_width)
{
    int frame = 2 * list->frameWidth();
    int height = list->horizontalHeader()->sizeHint().height() + frame;
    for (int row = 0; row < list->rowCount(); ++row)
        height += list->rowHeight(row);
    int width = frame;
    for (int column = 0; column < list->columnCount(); ++column)
        width += list->columnWidth(column);
    if (fixed_width) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setFixedSize(width, height);
    } else {
        // room for the scroll bar of a page narrower than the list
        list->setFixedHeight(height + list->horizontalScrollBar()->sizeHint().height());
    }
}

void clear_values(QTableWidget* list, const std::vector<page_logic::list_label>& labels)
{
    for (int row = 0; row < list->rowCount(); ++row)
        for (int column = 0; column < list->columnCount(); ++column) {
            QTableWidgetItem* item = list->item(row, column);
            item->setText({});
            item->setData(Qt::DecorationRole, {});
            item->setData(Qt::UserRole, {});
        }
    for (const page_logic::list_label& label : labels)
        list->item(label.row, label.column)->setText(QString::fromStdString(label.text));
}

void apply_cells(QTableWidget* list, const page_logic::cell_updates& cells)
{
    for (const page_logic::cell_update& cell : cells) {
        QTableWidgetItem* item = list->item(cell.row, cell.column);
        if (cell.image == page_logic::no_image) {
            item->setText(QString::fromStdString(cell.text));
        } else {
            item->setIcon(bit_image(cell.image));
            item->setData(Qt::UserRole, cell.image);
        }
    }
}

QPushButton* make_button(QWidget* parent, int id, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setAutoDefault(false);
    // a layout short of room may narrow the button down to its caption, not below
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(caption) + button_padding);
    return button;
}

QLineEdit* make_edit(QWidget* parent, int id, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QStringLiteral("id%1").arg(id));
    edit->setMinimumWidth(52);
    return edit;
}

void add_edit_row(QGridLayout* grid, int row, const QString& label, QLineEdit* edit, const QString& unit,
                  QPushButton* button)
{
    grid->addWidget(new QLabel(label), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(unit), row, 2);
    if (button)
        grid->addWidget(button, row, 3);
}

double edit_number(const QLineEdit* edit)
{
    QString text = edit->text();
    return page_logic::number_from_edit(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

std::optional<double> field_number(const QLineEdit* edit, const page_logic::number_field& field, QString& refusal)
{
    QString text = edit->text();
    page_logic::field_reading reading = page_logic::read_number_field(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())), field);
    if (!reading.value)
        refusal = QString::fromStdString(reading.refusal);
    return reading.value;
}
