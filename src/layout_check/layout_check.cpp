#include "layout_check/layout_check.h"

#include <vector>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGlyphRun>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTextLayout>

namespace layout_check {

namespace {

QString name_of(const QWidget* widget)
{
    QString name = widget->metaObject()->className();
    if (!widget->objectName().isEmpty())
        name += " " + widget->objectName();
    return name;
}

class walker {
public:
    explicit walker(QWidget* root) : root_(root) { }

    void visit(QWidget* widget)
    {
        if (!widget->isVisible())
            return;
        check_inside_holders(widget);
        if (auto* button = qobject_cast<QPushButton*>(widget))
            check_push_button(button);
        else if (auto* box = qobject_cast<QCheckBox*>(widget))
            check_indicator_button(box, QStyle::SE_CheckBoxContents);
        else if (auto* radio = qobject_cast<QRadioButton*>(widget))
            check_indicator_button(radio, QStyle::SE_RadioButtonContents);
        else if (auto* label = qobject_cast<QLabel*>(widget))
            check_label(label);
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            check_line_edit(edit);
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            check_combo_box(combo);
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            check_group_box(group);
        else if (auto* tabs = qobject_cast<QTabBar*>(widget))
            check_tab_bar(tabs);
        else if (auto* table = qobject_cast<QTableView*>(widget))
            check_table(table);
        std::vector<QWidget*> shown;
        for (QObject* child : widget->children())
            if (auto* child_widget = qobject_cast<QWidget*>(child);
                child_widget && !child_widget->isWindow() && child_widget->isVisible())
                shown.push_back(child_widget);
        check_overlaps(widget, shown);
        for (QWidget* child_widget : shown)
            visit(child_widget);
    }

    QStringList faults;

private:
    void fault(const QWidget* widget, const QString& text, const QString& problem)
    {
        faults << QStringLiteral("%1 \"%2\": %3").arg(name_of(widget), text, problem);
    }

    void check_width(const QWidget* widget, const QString& text, int needed, int room)
    {
        if (needed > room)
            fault(widget, text, QStringLiteral("text %1 px wide, room %2 px").arg(needed).arg(room));
    }

    void check_height(const QWidget* widget, const QString& text, int room)
    {
        int font_height = widget->fontMetrics().height();
        if (room < font_height)
            fault(widget, text, QStringLiteral("%1 px high, font %2 px").arg(room).arg(font_height));
    }

    // A control must lie inside every widget that holds it, up to the root; inside a
    // scroll area it may scroll.
    void check_inside_holders(QWidget* widget)
    {
        if (widget == root_)
            return;
        QRect area = widget->rect();
        QWidget* at = widget;
        while (at != root_ && at->parentWidget()) {
            area.translate(at->pos());
            at = at->parentWidget();
            if (qobject_cast<QAbstractScrollArea*>(at->parentWidget()))
                return;
            if (!at->rect().contains(area)) {
                fault(widget, {},
                      QStringLiteral("reaches out of %1 (%2,%3 %4x%5 in %6x%7)")
                          .arg(name_of(at))
                          .arg(area.x())
                          .arg(area.y())
                          .arg(area.width())
                          .arg(area.height())
                          .arg(at->width())
                          .arg(at->height()));
                return;
            }
        }
    }

    // Two shown children of one holder must not cover each other: the one on top takes the
    // clicks and hides the other's text. Qt places the parts of its own compound widgets
    // (a scroll area's bars and viewport, a combo box's edit, a tab widget's bar and pages),
    // and a group box may frame siblings that lie wholly inside it.
    void check_overlaps(QWidget* holder, const std::vector<QWidget*>& shown)
    {
        if (qobject_cast<QAbstractScrollArea*>(holder) || qobject_cast<QComboBox*>(holder)
            || qobject_cast<QAbstractSpinBox*>(holder) || qobject_cast<QTabWidget*>(holder))
            return;
        for (size_t first = 0; first < shown.size(); ++first)
            for (size_t second = first + 1; second < shown.size(); ++second) {
                QWidget* a = shown[first];
                QWidget* b = shown[second];
                QRect common = a->geometry().intersected(b->geometry());
                if (common.isEmpty() || frames(a, b) || frames(b, a))
                    continue;
                fault(a, text_of(a),
                      QStringLiteral("overlaps %1 \"%2\" (%3,%4 %5x%6 in %7)")
                          .arg(name_of(b), text_of(b))
                          .arg(common.x())
                          .arg(common.y())
                          .arg(common.width())
                          .arg(common.height())
                          .arg(name_of(holder)));
            }
    }

    static bool frames(const QWidget* group, const QWidget* inner)
    {
        return qobject_cast<const QGroupBox*>(group) && group->geometry().contains(inner->geometry());
    }

    static QString text_of(const QWidget* widget)
    {
        if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            return button->text();
        if (auto* label = qobject_cast<const QLabel*>(widget))
            return label->text();
        if (auto* combo = qobject_cast<const QComboBox*>(widget))
            return combo->currentText();
        if (auto* edit = qobject_cast<const QLineEdit*>(widget))
            return edit->displayText();
        if (auto* group = qobject_cast<const QGroupBox*>(widget))
            return group->title();
        return {};
    }

    void check_push_button(QPushButton* button)
    {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        int needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
        if (!button->icon().isNull())
            needed += button->iconSize().width() + 4;
        check_width(button, button->text(), needed, contents.width());
        check_height(button, button->text(), contents.height());
    }

    void check_indicator_button(QAbstractButton* button, QStyle::SubElement element)
    {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QRect contents = button->style()->subElementRect(element, &option, button);
        int needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
        check_width(button, button->text(), needed, contents.width());
        check_height(button, button->text(), contents.height());
    }

    void check_label(QLabel* label)
    {
        QString text = label->text();
        if (text.isEmpty() || !label->pixmap().isNull())
            return;
        QRect room =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        int indent = std::max(label->indent(), 0);
        bool rich =
            label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        if (label->wordWrap() || rich) {
            QTextDocument document;
            document.setDefaultFont(label->font());
            document.setDocumentMargin(0);
            rich ? document.setHtml(text) : document.setPlainText(text);
            if (label->wordWrap()) {
                document.setTextWidth(room.width() - indent);
                if (document.size().height() > room.height())
                    fault(label, text,
                          QStringLiteral("wraps to %1 px high, room %2 px")
                              .arg(int(document.size().height()))
                              .arg(room.height()));
                return;
            }
            check_width(label, text, int(std::ceil(document.idealWidth())), room.width() - indent);
            check_height(label, text, room.height());
            return;
        }
        QStringList lines = text.split('\n');
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
        check_width(label, text, widest, room.width() - indent);
        int needed = label->fontMetrics().height() * int(lines.size());
        if (room.height() < needed)
            fault(label, text,
                  QStringLiteral("%1 px high, %2 lines need %3 px").arg(room.height()).arg(lines.size()).arg(needed));
    }

    void check_line_edit(QLineEdit* edit)
    {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth =
            edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        QMargins margins = edit->textMargins();
        contents = contents.marginsRemoved(margins);
        // QLineEdit keeps 2 px beside its text
        int room = contents.width() - 4;
        QString shown = edit->displayText();
        if (!shown.isEmpty())
            check_width(edit, shown, edit->fontMetrics().horizontalAdvance(shown), room);
        check_height(edit, shown, contents.height());
    }

    void check_combo_box(QComboBox* combo)
    {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.currentText = combo->currentText();
        option.frame = combo->hasFrame();
        QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        if (!combo->currentText().isEmpty()) {
            int needed = combo->fontMetrics().horizontalAdvance(combo->currentText());
            if (!combo->itemIcon(combo->currentIndex()).isNull())
                needed += combo->iconSize().width() + 4;
            check_width(combo, combo->currentText(), needed, field.width());
        }
        check_height(combo, combo->currentText(), field.height());
    }

    void check_group_box(QGroupBox* group)
    {
        if (group->title().isEmpty())
            return;
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.lineWidth = 1;
        option.textAlignment = group->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (group->isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        if (group->isFlat())
            option.features |= QStyleOptionFrame::Flat;
        QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        int needed = group->fontMetrics().size(Qt::TextShowMnemonic, group->title()).width();
        // the style sizes the caption's rectangle to the ink of its glyphs, narrower than their
        // advance when a full-width character ends it, and draws the caption unclipped from its
        // left edge: only the group's own edge cuts it
        check_width(group, group->title(), needed, group->rect().right() - label.left() + 1);
    }

    void check_tab_bar(QTabBar* tabs)
    {
        for (int tab = 0; tab < tabs->count(); ++tab) {
            QRect rect = tabs->tabRect(tab);
            if (!tabs->rect().contains(rect))
                fault(tabs, tabs->tabText(tab), QStringLiteral("tab reaches out of the strip"));
            int needed = tabs->fontMetrics().size(Qt::TextShowMnemonic, tabs->tabText(tab)).width();
            check_width(tabs, tabs->tabText(tab), needed, rect.width());
        }
    }

    void check_table(QTableView* table)
    {
        QAbstractItemModel* model = table->model();
        if (!model)
            return;
        QStyle* style = table->style();
        // what the item delegate keeps beside a cell's text and icon
        int cell_margin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        int header_margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, table->horizontalHeader());
        QFontMetrics cells = table->fontMetrics();
        QFontMetrics headers = table->horizontalHeader()->fontMetrics();
        for (int column = 0; column < model->columnCount(); ++column) {
            if (table->isColumnHidden(column))
                continue;
            int width = table->columnWidth(column);
            QString header = model->headerData(column, Qt::Horizontal).toString();
            if (table->horizontalHeader()->isVisible())
                check_column(table, column, header, headers.horizontalAdvance(header) + header_margin, width);
            for (int row = 0; row < model->rowCount(); ++row) {
                QModelIndex index = model->index(row, column);
                QString text = index.data(Qt::DisplayRole).toString();
                int needed = text.isEmpty() ? 0 : cells.horizontalAdvance(text) + cell_margin;
                QVariant decoration = index.data(Qt::DecorationRole);
                bool icon = decoration.canConvert<QIcon>() && !decoration.value<QIcon>().isNull();
                if (icon || (decoration.canConvert<QPixmap>() && !decoration.value<QPixmap>().isNull()))
                    needed += table->iconSize().width() + cell_margin;
                check_column(table, column, text, needed, width);
            }
        }
        for (int row = 0; row < model->rowCount(); ++row)
            if (!table->isRowHidden(row) && table->rowHeight(row) < cells.height()) {
                fault(table, QStringLiteral("row %1").arg(row),
                      QStringLiteral("%1 px high, font %2 px").arg(table->rowHeight(row)).arg(cells.height()));
                break;
            }
    }

    void check_column(QTableView* table, int column, const QString& text, int needed, int width)
    {
        if (needed > width)
            fault(table, text,
                  QStringLiteral("column %1 is %2 px wide, needs %3 px").arg(column).arg(width).arg(needed));
    }

    QWidget* root_;
};

} // namespace

QStringList layout_faults(QWidget* root)
{
    walker walk(root);
    walk.visit(root);
    return walk.faults;
}

QString chinese_font_family(QWidget* widget)
{
    QTextLayout layout(QStringLiteral("开关量输出"), widget->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

} // namespace layout_check
