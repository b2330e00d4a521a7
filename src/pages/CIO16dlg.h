#pragma once
#include "pages/CMyDlg.h"

// The IO page of the KOVA-16IO (template 138).
class CIO16dlg : public CMyDlg {
    Q_OBJECT
public:
    CIO16dlg(CKestIO_TestDlg* main_window, QWidget* parent) : CMyDlg(main_window, parent) {}
};
