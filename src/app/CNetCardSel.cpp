#include "app/CNetCardSel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/message_box.h"
#include "app/response_wait.h"

CNetCardSel::CNetCardSel(const QStringList& adapter_names, int net_index, int response_wait_ms, QWidget* parent)
    : QDialog(parent),
      adapters_(new QComboBox(this)),
      wait_(new QLineEdit(this)),
      ok_button_(new QPushButton(QStringLiteral("确定"), this)),
      net_index_(net_index),
      response_wait_ms_(response_wait_ms)
{
    setWindowTitle(QStringLiteral("网卡选择"));
    adapters_->setObjectName("id1011");
    wait_->setObjectName("id1031");
    ok_button_->setObjectName("id1");
    auto* cancel_button = new QPushButton(QStringLiteral("取消"), this);
    cancel_button->setObjectName("id2");

    adapters_->addItems(adapter_names);
    adapters_->setCurrentIndex(net_index);
    adapters_->setMinimumContentsLength(40);
    wait_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), wait_));
    wait_->setText(QString::number(response_wait_ms));
    ok_button_->setDefault(true);
    ok_button_->setEnabled(!adapter_names.isEmpty());

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("网卡选择："), this), 0, 0);
    layout->addWidget(adapters_, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("等待网络响应时间："), this), 1, 0);
    layout->addWidget(wait_, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("ms"), this), 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_button_);
    buttons->addWidget(cancel_button);
    layout->addLayout(buttons, 2, 0, 1, 3);

    connect(ok_button_, &QPushButton::clicked, this, &CNetCardSel::accept);
    connect(cancel_button, &QPushButton::clicked, this, &CNetCardSel::reject);
}

void CNetCardSel::accept()
{
    if (adapters_->currentIndex() < 0)
        return;
    // an empty or huge wait would silently become 0: the previous value stays instead
    std::optional<int> wait = response_wait_from_text(wait_->text().toStdU16String());
    if (!wait) {
        show_message_box(this,
                         QStringLiteral("等待网络响应时间必须在 %1 到 %2 ms 之间！")
                             .arg(response_wait_limits_ms[0])
                             .arg(response_wait_limits_ms[1]));
        wait_->setText(QString::number(response_wait_ms_));
        return;
    }
    net_index_ = adapters_->currentIndex();
    response_wait_ms_ = *wait;
    QDialog::accept();
}
