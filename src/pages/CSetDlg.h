#pragma once
#include "pages/CMyDlg.h"

// The settings page (template 131).
class CSetDlg : public CMyDlg {
    Q_OBJECT
public:
    CSetDlg(CKestIO_TestDlg* main_window, QWidget* parent) : CMyDlg(main_window, parent) {}
};
