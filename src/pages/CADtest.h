#pragma once
#include "pages/CMyDlg.h"

// The AD stability test page (template 133).
class CADtest : public CMyDlg {
    Q_OBJECT
public:
    CADtest(page_context& context, QWidget* parent) : CMyDlg(context, parent) {}

    // Number of AD channels the card model has; 0 until a model sets it.
    void set_channel_count(int count) { channel_count_ = count; }
    int channel_count() const { return channel_count_; }

private:
    int channel_count_ = 0;
};
