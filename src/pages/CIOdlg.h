#pragma once
#include "pages/CMyDlg.h"

// The IO page (ZEIO, KOVA-AD and the start-up set) (template 130).
class CIOdlg : public CMyDlg {
    Q_OBJECT
public:
    CIOdlg(CKestIO_TestDlg* main_window, QWidget* parent) : CMyDlg(main_window, parent) {}
};
