#include "app/screenshot_tour.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>

#include "app/CKestIO_TestDlg.h"
#include "ecat/master.h"
#include "pages/CMyDlg.h"

namespace {

constexpr int poll_ms = 50;
// long enough for the lists to fill and the layout to settle
constexpr int draw_ms = 800;

} // namespace

screenshot_tour::screenshot_tour(CKestIO_TestDlg& window, QString folder)
    : QObject(&window),
      window_(window),
      folder_(std::move(folder))
{
    QDir().mkpath(folder_);
    steps_.push_back({[this] { return window_.master().slave_count > 0 && !window_.master().scan_busy; },
                      [this] { search(); }, draw_ms});
    startTimer(poll_ms);
    waited_.start();
}

void screenshot_tour::after(std::function<bool()> ready, std::function<void()> action, int settle_ms)
{
    added_.push_back({std::move(ready), std::move(action), settle_ms});
}

void screenshot_tour::timerEvent(QTimerEvent*)
{
    if (steps_.empty()) {
        window_.close();
        return;
    }
    step& next = steps_.front();
    if (waited_.elapsed() < next.settle_ms || !next.ready())
        return;
    step taken = std::move(next);
    steps_.pop_front();
    waited_.restart();
    taken.action();
    // what a step adds comes before the steps that were waiting
    steps_.insert(steps_.begin(), added_.begin(), added_.end());
    added_.clear();
}

void screenshot_tour::search()
{
    window_.findChild<QPushButton*>("id1050")->click();
    int cards = window_.findChild<QComboBox*>("id1012")->count();
    for (int item = 0; item < cards; ++item)
        after([] { return true; }, [this, item] { visit_card(item); });
}

void screenshot_tour::visit_card(int item)
{
    auto* slaves = window_.findChild<QComboBox*>("id1012");
    if (item != slaves->currentIndex()) {
        slaves->setCurrentIndex(item);
        emit slaves->activated(item);
    }
    auto* serial = window_.findChild<QLabel*>("id1104");
    // the identity read ends with the serial number, then the tabs of the model follow
    after([this, serial] { return !window_.info_thread().running() && serial->text() != "0000000000000000"; },
          [this] { visit_tabs(); }, draw_ms);
}

void screenshot_tour::visit_tabs()
{
    auto* tabs = window_.findChild<QTabBar*>("id1000");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        auto* page = qobject_cast<CMyDlg*>(tabs->tabData(tab).value<QObject*>());
        QString kind = page->metaObject()->className();
        if (pictured_.count(kind))
            continue;
        pictured_.insert(kind);
        after([] { return true; }, [tabs, tab] { tabs->setCurrentIndex(tab); });
        after([page] { return page->isVisible(); }, [this, page] { save(page); }, draw_ms);
    }
}

void screenshot_tour::save(CMyDlg* page)
{
    // a palette image of a window is a fraction of the size of a full-colour one
    QImage picture =
        window_.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    picture.save(QDir(folder_).filePath(QString(page->metaObject()->className()) + ".png"), "PNG", 9);
}
