#pragma once
#include "pages/CMyDlg.h"

// The Modbus page (template 132).
class CModbusDlg : public CMyDlg {
    Q_OBJECT
public:
    CModbusDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent) {}
};
