#pragma once
#include <memory>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTableWidget>
#include <QtTest>

#include "app/CKestIO_TestDlg.h"
#include "app/message_box.h"
#include "bus_fixture.h"
#include "card/polled_values.h"
#include "ecat/adapter.h"
#include "pages/CModbusDlg.h"
#include "sim/bus/bus.h"

namespace apptest {

// The main window over a simulated bus with the Modbus page at hand: its controls by id,
// its list cells, and the message boxes recorded as their texts.
class modbus_page_fixture {
public:
    ecat::master bus_master; // this test's own, outliving what uses it
    std::unique_ptr<CKestIO_TestDlg> window;
    std::shared_ptr<sim::bus> bus;
    QStringList messages;
    CMyDlg* page = nullptr;

    void start()
    {
        QSettings("DV_TqrApp", "KestIO_Test").clear();
        messages.clear();
        set_message_box_handler([this](QWidget*, const QString& caption, const QString& text) {
            messages << (caption == "提示" ? text : caption + ": " + text);
        });
    }

    void stop()
    {
        window.reset();
        bus.reset();
        ecat::adapter_unregister_wires();
        set_message_box_handler({});
    }

    // The window over a new bus of these cards, scanned, with no slave searched yet.
    bool open_window(const std::string& cards, const std::string& bus_name, unsigned count)
    {
        bus = register_spec_bus(cards, bus_name);
        if (!bus)
            return false;
        window = std::make_unique<CKestIO_TestDlg>(bus_master, QString::fromStdString(bus_name));
        window->show();
        page = window->page(page_kind::modbus);
        return wait_until_ready(bus_master, count);
    }

    // Searches, selects the KOVA-H at position and shows the tab of its Modbus page.
    bool show_modbus_page_of_kova_h(int position)
    {
        window->findChild<QPushButton*>("id1050")->click();
        if (!QTest::qWaitFor([&] { return !window->info_thread().running() && window->selected_slave() == 0; }, 10000))
            return false;
        if (position != 0) {
            auto* slaves = window->findChild<QComboBox*>("id1012");
            slaves->setCurrentIndex(position);
            emit slaves->activated(position);
        }
        auto* tabs = window->findChild<QTabBar*>("id1000");
        // the KOVA-H's tab set is in place when its IO page shows
        CMyDlg* io = window->page(page_kind::ioh);
        if (!QTest::qWaitFor([&] { return !window->info_thread().running() && io->isVisible(); }, 10000))
            return false;
        tabs->setCurrentIndex(tab_of_page(tabs));
        return page->isVisible();
    }

    template <typename T = QPushButton> T* control(int id)
    {
        T* found = page->findChild<T*>(QStringLiteral("id%1").arg(id));
        if (!found)
            qFatal("no control id%d", id);
        return found;
    }
    QComboBox* combo(int id) { return control<QComboBox>(id); }
    QTableWidget* list() { return control<QTableWidget>(1002); }
    QString cell(int row, int column) { return list()->item(row, column)->text(); }
    void type(int edit, const QString& text) { control<QLineEdit>(edit)->setText(text); }
    // Clicks a button and waits until the page's worker has carried out what it started
    // (the buttons are disabled meanwhile).
    void press(int id)
    {
        control(id)->click();
        if (!QTest::qWaitFor([&] { return control(1050)->isEnabled(); }, 30000))
            qFatal("the Modbus page stayed busy");
    }
    QString status() { return page->findChild<QLabel*>("status")->text(); }
    void choose(int id, int index) { combo(id)->setCurrentIndex(index); }

    // Sets up an entry through the page's controls: slave id, Rx (0) or Tx (1), entry n,
    // register type index, bit count, address; then presses 设置.
    void configure(int slave_id, int operation, int n, int type_index, int bits, int address)
    {
        choose(1011, slave_id - 1);
        choose(1014, operation);
        choose(1015, n);
        choose(1012, type_index);
        choose(1013, combo(1013)->findData(bits));
        type(1031, QString::number(address));
        press(1050);
    }
    // Writes the Tx data of entry n with 修改.
    void modify(int n, const QString& data)
    {
        choose(1015, n);
        type(1032, data);
        press(1052);
    }
    void set_timing(const QString& interval, const QString& timeout)
    {
        type(1033, interval);
        type(1034, timeout);
        press(1053);
    }

private:
    int tab_of_page(QTabBar* tabs) const
    {
        for (int tab = 0; tab < tabs->count(); ++tab)
            if (tabs->tabData(tab).value<QObject*>() == page)
                return tab;
        return -1;
    }
};

} // namespace apptest
