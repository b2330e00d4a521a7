#pragma once
#include "pages/CMyDlg.h"

class QTextEdit;

// The CAN page of the KOVA-H (template 136).
class CCanDlg : public CMyDlg {
    Q_OBJECT
public:
    CCanDlg(page_context& context, QWidget* parent);

    // Appends "[hh:mm:ss] text" to the log and scrolls to it.
    void append_log(const QString& text);

private:
    QTextEdit* log_; // 1005
};
