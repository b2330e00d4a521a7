#include "pages/CSetDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "card/sdo_numbers.h"
#include "pages/file_dialog.h"
#include "pages/io_widgets.h"
#include "pages/logic/profile_file.h"
#include "pages/logic/settings_file.h"
#include "pages/page_context.h"

using page_logic::settings_config;
using page_logic::transfer_failure;

namespace {

const QString settings_filter = QStringLiteral("配置文件(*.ini)");
const QString all_files_filter = QStringLiteral("所有文件(*.*)");

page_logic::word_reader sdo_reader(ecat::master& master, uint16_t position)
{
    return [&master, position](page_logic::object_address object, uint16_t& value) {
        uint64_t number = 0;
        if (card::upload_number(master, position, object.index, object.subindex, 2, number) != 0)
            return false;
        value = uint16_t(number);
        return true;
    };
}

page_logic::word_writer sdo_writer(ecat::master& master, uint16_t position)
{
    return [&master, position](page_logic::object_address object, uint16_t value) {
        return card::download_number(master, position, object.index, object.subindex, value, 2) == 0;
    };
}

QString failure_text(const char* action, const page_logic::object_address& object)
{
    return QString::fromUtf8(action) + QString::fromStdString(page_logic::object_text(object));
}

QCheckBox* display_check_box(QWidget* parent, int id, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QStringLiteral("id%1").arg(id));
    box->setEnabled(false);
    return box;
}

// The lists' widths are those of the Windows layout; a wider font needs more room.
void widen_columns_to_text(QTableWidget* list)
{
    auto* view = static_cast<QAbstractItemView*>(list);
    for (int column = 0; column < list->columnCount(); ++column) {
        int needed = std::max(list->horizontalHeader()->sectionSizeHint(column), view->sizeHintForColumn(column));
        if (list->columnWidth(column) < needed)
            list->setColumnWidth(column, needed);
    }
}

QTableWidget* make_settings_list(QWidget* parent, int id, const std::vector<page_logic::list_column>& columns,
                                 const std::vector<page_logic::list_label>& labels)
{
    QTableWidget* list = make_status_list(parent, columns, labels, page_logic::settings_display::rows);
    list->setObjectName(QStringLiteral("id%1").arg(id));
    return list;
}

} // namespace

CSetDlg::CSetDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent)
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->addWidget(action_row());
    status_ = new QLabel(content);
    status_->setObjectName("status");
    column->addWidget(status_);
    column->addWidget(configuration_group());
    column->addWidget(latch_group());
    column->addStretch();
    // below the minimum size the page scrolls instead of clipping its texts
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("page_scroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(scroll);
    refresh();
}

QWidget* CSetDlg::action_row()
{
    auto* row_widget = new QWidget;
    auto* row = new QHBoxLayout(row_widget);
    row->setContentsMargins(0, 0, 0, 0);
    struct action {
        int id;
        const char* caption;
        void (CSetDlg::*run)();
    };
    for (const action& a :
         {action{1050, "获取配置", &CSetDlg::read_configuration},
          action{1061, "导入配置参数", &CSetDlg::import_configuration},
          action{1062, "配置参数导出至文件", &CSetDlg::export_configuration},
          action{1059, "配置保存到Flash", &CSetDlg::save_to_flash}, action{1060, "软重启", &CSetDlg::restart_card}}) {
        QPushButton* button = make_button(row_widget, a.id, QString::fromUtf8(a.caption));
        connect(button, &QPushButton::clicked, this, a.run);
        row->addWidget(button);
        buttons_.push_back(button);
    }
    auto* note = new QVBoxLayout;
    note->setSpacing(0);
    note->addWidget(new QLabel(QStringLiteral("配置保存到Flash后，")));
    note->addWidget(new QLabel(QStringLiteral("需要重启扩展卡使配置生效")));
    row->addSpacing(12);
    row->addLayout(note);
    row->addStretch();
    return row_widget;
}

QWidget* CSetDlg::configuration_group()
{
    auto* group = new QGroupBox(QStringLiteral("功能配置"), this);
    modes_ = make_settings_list(group, 1002, page_logic::settings_display::mode_columns(),
                                page_logic::settings_display::mode_labels());
    auto* row = new QHBoxLayout(group);
    row->addWidget(modes_, 0, Qt::AlignTop);
    row->addWidget(comparator_controls(group), 0, Qt::AlignTop);
    row->addStretch();
    return group;
}

QWidget* CSetDlg::comparator_controls(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    enable0_ = display_check_box(box, 1151, QStringLiteral("使能"));
    invert0_ = display_check_box(box, 1152, QStringLiteral("结果翻转"));
    enable1_ = display_check_box(box, 1153, QStringLiteral("使能"));
    invert1_ = display_check_box(box, 1154, QStringLiteral("结果翻转"));
    encoder_ = display_check_box(box, 1155, QStringLiteral("使能"));
    mode0_ = make_button(box, 1056, {});
    mode1_ = make_button(box, 1057, {});
    mode0_->setEnabled(false);
    mode1_->setEnabled(false);
    QCheckBox* enables[2] = {enable0_, enable1_};
    QPushButton* modes[2] = {mode0_, mode1_};
    QCheckBox* inverts[2] = {invert0_, invert1_};
    // two rows per comparator, so that list and controls fit side by side in the narrowest window
    for (int n = 0; n < 2; ++n) {
        grid->addWidget(new QLabel(QStringLiteral("比较器%1：").arg(n)), 2 * n, 0);
        grid->addWidget(enables[n], 2 * n, 1);
        grid->addWidget(inverts[n], 2 * n, 2);
        grid->addWidget(new QLabel(QStringLiteral("输入模式:")), 2 * n + 1, 1);
        grid->addWidget(modes[n], 2 * n + 1, 2);
    }
    grid->addWidget(new QLabel(QStringLiteral("编码器：")), 4, 0);
    grid->addWidget(encoder_, 4, 1);
    return box;
}

QWidget* CSetDlg::latch_group()
{
    auto* group = new QGroupBox(QStringLiteral("AD锁存配置"), this);
    latches_ = make_settings_list(group, 1003, page_logic::settings_display::latch_columns(),
                                  page_logic::settings_display::latch_labels());
    auto* row = new QHBoxLayout(group);
    row->addWidget(latches_);
    return group;
}

void CSetDlg::refresh()
{
    page_logic::settings_updates updates = display_.refresh(current_);
    apply_cells(modes_, updates.modes);
    apply_cells(latches_, updates.latches);
    if (updates.comparators) {
        const page_logic::comparator_view& c = *updates.comparators;
        enable0_->setChecked(c.enable0);
        invert0_->setChecked(c.invert0);
        enable1_->setChecked(c.enable1);
        invert1_->setChecked(c.invert1);
        mode0_->setText(QString::fromStdString(c.mode0));
        mode1_->setText(QString::fromStdString(c.mode1));
    }
    if (updates.encoder)
        encoder_->setChecked(*updates.encoder);
    for (QTableWidget* list : {modes_, latches_})
        widen_columns_to_text(list);
    fit_list(modes_, true);
    fit_list(latches_, false);
}

void CSetDlg::notify(const QString& text)
{
    context.message_box(this, text, QStringLiteral("提示"));
}

void CSetDlg::set_buttons_enabled(bool enabled)
{
    for (QPushButton* button : buttons_)
        button->setEnabled(enabled);
}

void CSetDlg::run_on_card(card_transfer transfer, transfer_done done)
{
    int position = context.selected_slave();
    if (position < 0) {
        notify(QStringLiteral("没有选择从站"));
        return;
    }
    set_buttons_enabled(false);
    transfer_running_ = true;
    status_->clear();
    page_context& gui = context;
    QPointer<CSetDlg> page(this);
    int card = card_changes_;
    worker_.start([&gui, page, card, position, transfer = std::move(transfer), done = std::move(done)] {
        settings_config config;
        transfer_failure failure = transfer(gui.master(), uint16_t(position), config);
        gui.post_to_gui([page, card, failure, config, done] {
            if (!page)
                return;
            page->set_buttons_enabled(true);
            page->transfer_running_ = false;
            if (card == page->card_changes_)
                done(failure, config);
        });
    });
}

void CSetDlg::forget_card()
{
    ++card_changes_;
    status_->clear();
    if (transfer_running_)
        status_->setText(QStringLiteral("从站已改变：上一从站的操作结果不再显示"));
    if (!shown_from_card_)
        return;
    shown_from_card_ = false;
    current_ = settings_config{};
    refresh();
    status_->setText(QStringLiteral("从站已改变：显示的是初始配置，请重新获取配置"));
}

void CSetDlg::read_configuration()
{
    run_on_card([](ecat::master& master, uint16_t position,
                   settings_config& config) { return page_logic::read_settings(sdo_reader(master, position), config); },
                [this](transfer_failure failure, const settings_config& config) {
                    if (failure) {
                        notify(failure_text("获取配置失败：", *failure));
                        return;
                    }
                    current_ = config;
                    shown_from_card_ = true;
                    refresh();
                    notify(QStringLiteral("获取配置成功"));
                });
}

void CSetDlg::save_to_flash()
{
    settings_config shown = display_.shown();
    run_on_card([shown](ecat::master& master, uint16_t position,
                        settings_config&) { return page_logic::save_settings(sdo_writer(master, position), shown); },
                [this](transfer_failure failure, const settings_config&) {
                    notify(failure ? failure_text("写配置失败：", *failure) : QStringLiteral("写配置成功"));
                });
}

void CSetDlg::restart_card()
{
    run_on_card([](ecat::master& master, uint16_t position,
                   settings_config&) { return page_logic::restart_card(sdo_writer(master, position)); },
                [this](transfer_failure failure, const settings_config&) {
                    if (failure)
                        notify(failure_text("软重启失败：", *failure));
                    else
                        status_->setText(QStringLiteral("已发送软重启命令"));
                });
}

void CSetDlg::import_configuration()
{
    QString path =
        choose_file(this, file_dialog_kind::open, {settings_filter, all_files_filter}, QStringLiteral("ini"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        notify(QStringLiteral("读取失败，无法打开文件！"));
        return;
    }
    QByteArray bytes = file.readAll();
    page_logic::settings_import result =
        page_logic::import_settings(page_logic::profile_file::from_bytes({bytes.begin(), bytes.end()}));
    if (!result.config) {
        notify(QString::fromStdString(page_logic::import_error_text(result.bad_section)));
        return;
    }
    notify(QStringLiteral("配置读取成功！"));
    current_ = *result.config;
    shown_from_card_ = false;
    refresh();
}

void CSetDlg::export_configuration()
{
    QString path = choose_file(this, file_dialog_kind::save, {settings_filter}, QStringLiteral("ini"));
    if (path.isEmpty())
        return;
    QByteArray text = QByteArray::fromStdString(page_logic::export_settings(display_.shown()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush()) {
        notify(QStringLiteral("导出失败，无法写入文件！"));
        return;
    }
    notify(QStringLiteral("配置导出成功！"));
}
