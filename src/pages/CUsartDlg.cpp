#include "pages/CUsartDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QTextEdit>

CUsartDlg::CUsartDlg(page_context& context, QWidget* parent)
    : CMyDlg(context, parent), card_receive_box_(new QTextEdit(this)), card_received_label_(new QLabel("0", this))
{
    card_receive_box_->setObjectName("id1006");
    card_receive_box_->setReadOnly(true);
    card_received_label_->setObjectName("id1103");
    auto* layout = new QGridLayout(this);
    layout->addWidget(card_receive_box_, 0, 0, 1, 2);
    layout->addWidget(card_received_label_, 1, 1);
}

void CUsartDlg::append_card_received(const std::vector<uint8_t>& bytes)
{
    QTextCursor end = card_receive_box_->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromLocal8Bit(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    card_receive_box_->setTextCursor(end);
    card_receive_box_->ensureCursorVisible();
    card_received_ += int(bytes.size());
    card_received_label_->setText(QString::number(card_received_));
}
