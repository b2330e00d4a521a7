// Every page of every card model, and the dialogs, read in full at the window's minimum
// size 900 × 640 and at 1400 × 1000, with the Chinese font the machine has: no clipped
// caption, no squeezed control, no control drawn over another, and list columns that hold
// their widest values.
#include <climits>
#include <memory>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTabBar>
#include <QTableWidget>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "app/CNetCardSel.h"
#include "app/card_model.h"
#include "app/message_box.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "layout_check/layout_check.h"
#include "pages/CADcfgclkDlg.h"
#include "pages/CIO16dlg.h"
#include "pages/CIOHdlg.h"
#include "pages/CIOdlg.h"
#include "pages/io_widgets.h"
#include "pages/logic/io16_list.h"
#include "pages/logic/io_list.h"
#include "pages/logic/ioh_list.h"

using namespace apptest;

namespace {

const std::string bus_name = "布局测试总线";
const char* const all_cards = "ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";

// Two value sets between them hold the widest text of every cell format: every
// unsigned value at its largest and every signed one at its most negative, then the
// other way round.
template <typename Values> Values extreme_values(bool largest)
{
    Values values;
    auto* bytes = reinterpret_cast<unsigned char*>(&values);
    std::fill(bytes, bytes + sizeof values, largest ? 0xFF : 0x00);
    return values;
}

template <typename List, typename Values> page_logic::cell_updates extreme_cells(Values values, int32_t signed_value)
{
    if constexpr (requires { values.encoder; })
        values.encoder = signed_value;
    if constexpr (requires { values.counter; })
        values.counter = signed_value;
    List list;
    return list.refresh(values);
}

} // namespace

class layout_test : public QObject {
    Q_OBJECT

private:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    std::shared_ptr<sim::bus> bus;
    QStringList messages;

    QTabBar* tabs() { return window->findChild<QTabBar*>("id1000"); }
    QComboBox* slave_list() { return window->findChild<QComboBox*>("id1012"); }

    // Qt Test cuts long messages: every fault gets a line of its own
    static void report(const QStringList& found)
    {
        for (const QString& fault : found)
            qInfo().noquote() << fault;
        QVERIFY2(found.isEmpty(),
                 qPrintable(QStringLiteral("%1 widgets cannot be seen or read in full").arg(found.size())));
    }

    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // What cannot be read on the window, each fault prefixed with where it was seen.
    QStringList faults(const QString& where)
    {
        settle();
        QStringList found;
        for (const QString& fault : layout_check::layout_faults(window.get()))
            found << where + ": " + fault;
        return found;
    }

    // The IO lists filled with the widest values their formats produce, checked before
    // the next refresh can redraw them.
    QStringList extreme_list_faults(CMyDlg* page, const QString& where)
    {
        auto* list = page->findChild<QTableWidget*>("id1002");
        std::vector<page_logic::cell_updates> sets;
        for (bool largest : {true, false}) {
            int32_t signed_value = largest ? INT32_MIN : INT32_MAX;
            if (qobject_cast<CIOdlg*>(page))
                sets.push_back(
                    extreme_cells<page_logic::io_list>(extreme_values<page_logic::io_values>(largest), signed_value));
            else if (qobject_cast<CIO16dlg*>(page))
                sets.push_back(extreme_cells<page_logic::io16_list>(extreme_values<page_logic::io16_values>(largest),
                                                                    signed_value));
            else if (qobject_cast<CIOHdlg*>(page))
                sets.push_back(
                    extreme_cells<page_logic::ioh_list>(extreme_values<page_logic::ioh_values>(largest), signed_value));
        }
        QStringList found;
        for (const page_logic::cell_updates& cells : sets) {
            if (cells.empty())
                found << where + ": the widest values drew nothing";
            apply_cells(list, cells);
            for (const QString& fault : layout_check::layout_faults(list))
                found << where + " (widest values): " + fault;
        }
        return found;
    }

    void select_card(int position)
    {
        slave_list()->setCurrentIndex(position);
        emit slave_list()->activated(position);
        const page_set& set = page_set_for(position);
        QTRY_VERIFY(!window->info_thread().running()
                    && window->findChild<QLabel*>("id1101")->text() == card_model_names[position]
                    && tabs()->count() == int(set.tabs.size()));
    }

private slots:
    void initTestCase()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        set_message_box_handler([this](QWidget*, const QString&, const QString& text) { messages << text; });
        bus = register_spec_bus(all_cards, bus_name);
        QVERIFY(bus);
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        QVERIFY(wait_until_ready(bus_master, 4));
    }

    void cleanupTestCase()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
    }

    void chinese_text_is_drawn_in_the_installed_cjk_font()
    {
        QCOMPARE(layout_check::chinese_font_family(window.get()), QString("WenQuanYi Micro Hei"));
    }

    void every_page_of_every_model_reads_in_full_data()
    {
        QTest::addColumn<QSize>("size");
        // sizes in the window's own pixels: at QT_SCALE_FACTOR=1.5 the minimum is 1350 x 960 on the screen
        qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
        for (QSize size : {QSize(900, 640), QSize(1400, 1000)}) {
            QSize screen = (QSizeF(size) * scale).toSize();
            QTest::addRow("%d x %d, %d x %d on the screen", size.width(), size.height(), screen.width(),
                          screen.height())
                << size;
        }
    }

    void every_page_of_every_model_reads_in_full()
    {
        QFETCH(QSize, size);
        window->resize(size);
        settle();
        QCOMPARE(window->size(), size);
        QStringList found = faults("start-up, no card");
        window->findChild<QPushButton*>("id1050")->click();
        QTRY_VERIFY(!window->info_thread().running() && slave_list()->count() == card_model_count);
        for (int card = 0; card < card_model_count; ++card) {
            select_card(card);
            for (int tab = 0; tab < tabs()->count(); ++tab) {
                tabs()->setCurrentIndex(tab);
                auto* page = qobject_cast<CMyDlg*>(tabs()->tabData(tab).value<QObject*>());
                QTRY_VERIFY(page->isVisible());
                QString where = QStringLiteral("%1/%2 %3")
                                    .arg(card_model_names[card], tabs()->tabText(tab), page->metaObject()->className());
                found << faults(where);
                if (qobject_cast<CIOPage*>(page))
                    found << extreme_list_faults(page, where);
            }
        }
        report(found);
        QVERIFY(messages.isEmpty());
    }

    void the_adapter_dialog_reads_in_full()
    {
        CNetCardSel dialog({QString::fromStdString(bus_name), "enp0s31f6 (Intel Corporation Ethernet Connection)"}, 0,
                           10, window.get());
        dialog.show();
        settle();
        report(layout_check::layout_faults(&dialog));
    }

    void the_ad_clock_dialog_reads_in_full()
    {
        CADcfgclkDlg dialog(*window, window.get());
        dialog.show();
        settle();
        report(layout_check::layout_faults(&dialog));
    }
};

QTEST_MAIN(layout_test)
#include "layout_test.moc"
