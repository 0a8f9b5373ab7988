#pragma once
// Dialog 103 over a real session: the widget tests' one QApplication, the
// recorded message boxes, and reading and driving the dialog's lists.

#include <QHeaderView>
#include <QListWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <initializer_list>
#include <utility>
#include <vector>

#include "dialog/dialog_hooks.h"
#include "dialog/recip_select_dialog.h"
#include "session_fixture.h"
#include "widget_test.h"

namespace bridgetest {

class DialogTest : public SessionTest {
protected:
    // The widget tests' one QApplication.
    struct Application : lisotrex::test::WidgetTest {
        using WidgetTest::app;
    };
    static void SetUpTestSuite() { Application::app(); }

    std::vector<std::pair<int, QString>> messages;

    void SetUp() override {
        vqbridge::setMessageHandler([this](QWidget*, int id, const QString& text) { messages.emplace_back(id, text); });
    }
    void TearDown() override {
        vqbridge::setMessageHandler({});
        platform::setHelpOpener({});
        platform::setWhatsThisShower({});
        SessionTest::TearDown();
    }

    using Dialog = vqbridge::RecipSelectDialog;

    static QTreeWidgetItem* node(Dialog& d, const QString& name) {
        const auto found = d.containerTree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    static QStringList column(Dialog& d, int c) {
        QStringList out;
        QAbstractItemModel* m = d.entryList()->model();
        for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, c).data().toString();
        return out;
    }
    static QStringList items(Dialog& d) {
        QStringList out;
        for (int i = 0; i < d.importList()->count(); ++i) out << d.importList()->item(i)->text();
        return out;
    }
    static void selectEntries(Dialog& d, std::initializer_list<int> rows) {
        d.entryList()->clearSelection();
        for (int r : rows)
            d.entryList()->selectionModel()->select(d.entryList()->model()->index(r, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static int rowOf(Dialog& d, const QString& name, const QString& address) {
        const QStringList names = column(d, 0), addresses = column(d, 1);
        for (int r = 0; r < names.size(); ++r)
            if (names[r] == name && addresses[r] == address) return r;
        return -1;
    }
    static void clickHeader(Dialog& d, int section) {
        QHeaderView* header = d.entryList()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, 5));
    }
};

} // namespace bridgetest
