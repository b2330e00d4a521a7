#pragma once
#include "pages/CMyDlg.h"

// The IO page of the KOVA-H (template 137).
class CIOHdlg : public CMyDlg {
    Q_OBJECT
public:
    CIOHdlg(CKestIO_TestDlg* main_window, QWidget* parent) : CMyDlg(main_window, parent) {}
};
