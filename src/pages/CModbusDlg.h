#pragma once
#include "pages/CMyDlg.h"

// The Modbus page (template 132).
class CModbusDlg : public CMyDlg {
    Q_OBJECT
public:
    CModbusDlg(CKestIO_TestDlg* main_window, QWidget* parent) : CMyDlg(main_window, parent) {}
};
