#include "app/screenshot_tour.h"

#include <cstdio>

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include "app/CKestIO_TestDlg.h"
#include "ecat/master.h"
#include "layout_check/layout_check.h"
#include "pages/CADcfgclkDlg.h"
#include "pages/CADtest.h"
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
    steps_.push_back({[this] { return window_.master().slave_count() > 0 && !window_.master().scan_busy(); },
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
        after([page] { return page->isVisible(); }, [this, kind] { save(&window_, kind); }, draw_ms);
        if (qobject_cast<CADtest*>(page))
            after([] { return true; }, [this, page] { visit_clock_dialog(page); });
    }
}

void screenshot_tour::visit_clock_dialog(CMyDlg* ad_page)
{
    auto* open = ad_page->findChild<QPushButton*>("id1052");
    if (!open || !open->isVisible())
        return;
    // the dialog runs modally: opened from a step, it would hold up the steps that follow
    QTimer::singleShot(0, open, &QPushButton::click);
    auto dialog = [this] { return window_.findChild<CADcfgclkDlg*>(); };
    after([dialog] { return dialog() && dialog()->isVisible(); },
          [this, dialog] {
              CADcfgclkDlg* shown = dialog();
              save(shown, shown->metaObject()->className());
              shown->reject();
          },
          draw_ms);
}

void screenshot_tour::save(QWidget* shown, const QString& name)
{
    for (const QString& fault : layout_check::layout_faults(shown)) {
        std::fprintf(stderr, "screenshots: %s: %s\n", qPrintable(name), qPrintable(fault));
        ++faults_;
    }
    // a palette image of a window is a fraction of the size of a full-colour one
    QImage picture =
        shown->grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    picture.save(QDir(folder_).filePath(name + ".png"), "PNG", 9);
}
