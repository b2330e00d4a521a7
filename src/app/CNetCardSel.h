#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;

// The network card selection dialog: the adapter the master runs on and the time the
// device layer waits for a network response. It only edits the two values; the caller
// reads them back after OK.
class CNetCardSel : public QDialog {
    Q_OBJECT
public:
    CNetCardSel(const QStringList& adapter_names, int net_index, int response_wait_ms, QWidget* parent = nullptr);

    int net_index() const { return net_index_; }
    int response_wait_ms() const { return response_wait_ms_; }

    // OK: takes the selected adapter and the wait time. With no adapter there is nothing
    // to choose, and OK is disabled.
    void accept() override;

private:
    QComboBox* adapters_;    // 1011
    QLineEdit* wait_;        // 1031
    QPushButton* ok_button_; // 1
    int net_index_;
    int response_wait_ms_;
};
