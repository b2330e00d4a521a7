#pragma once
#include "pages/CMyDlg.h"

// The settings page (template 131).
class CSetDlg : public CMyDlg {
    Q_OBJECT
public:
    CSetDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent) {}
};
