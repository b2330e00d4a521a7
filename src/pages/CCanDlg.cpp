#include "pages/CCanDlg.h"

#include <QTime>
#include <QTextEdit>
#include <QVBoxLayout>

CCanDlg::CCanDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent), log_(new QTextEdit(this))
{
    log_->setObjectName("id1005");
    log_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(log_);
}

void CCanDlg::append_log(const QString& text)
{
    QTime now = QTime::currentTime();
    QTextCursor end = log_->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(QString::asprintf("[%2d:%02d:%02d] ", now.hour(), now.minute(), now.second()) + text + "\n");
    log_->setTextCursor(end);
    log_->ensureCursorVisible();
}
