#pragma once
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class CKestIO_TestDlg;
class CMyDlg;

// Walks the main window through one page of each kind and saves a picture of the window
// with each (--screenshots=DIR, run by scripts/screenshots.sh): searches the bus, selects
// every card in turn and shows each tab whose page has no picture yet, and the AD clock
// dialog when its button is shown. Every picture is checked first: a control drawn over
// another or a text cut off is written to standard error, naming the page and the widgets.
// Closes the window when done.
class screenshot_tour : public QObject {
public:
    screenshot_tour(CKestIO_TestDlg& window, QString folder);

    // Every picture taken showed each widget whole.
    bool pictures_clean() const { return faults_ == 0; }

private:
    struct step {
        std::function<bool()> ready;
        std::function<void()> action;
        int settle_ms = 0; // time the window gets to draw before the step is ready
    };

    void timerEvent(QTimerEvent* event) override;
    void after(std::function<bool()> ready, std::function<void()> action, int settle_ms = 0);
    void search();
    void visit_card(int item);
    void visit_tabs();
    void visit_clock_dialog(CMyDlg* ad_page);
    void save(QWidget* shown, const QString& name);

    CKestIO_TestDlg& window_;
    QString folder_;
    std::deque<step> steps_;
    std::vector<step> added_; // by the step that runs, to run next
    QElapsedTimer waited_;
    std::set<QString> pictured_;
    int faults_ = 0;
};
