#pragma once
// What the window shows of the feeds, taken whole, so a test can tell that a refresh changed nothing.

#include "globals/Globals.h"
#include "tests/ui/RatesFeeds.h"
#include "ui/NewsView.h"
#include "ui/UnitMain.h"

#include <QStringList>

#include <string>
#include <vector>

// Everything a feed can change on screen.
struct TShown {
    QString News;
    QStringList Src;
    QStringList Dst;
    int SrcChoice = -1;
    int DstChoice = -1;
    bool ListsEnabled = false;
    QStringList Hide;
    QList<int> Hidden;
    std::vector<std::string> Offers;
    TStringMatrix Names, Rates, Exchangers;

    bool operator==(const TShown&) const = default;
};

inline QStringList Items(const QComboBox& Combo) {
    QStringList items;
    for (int item = 0; item < Combo.count(); ++item) {
        items << Combo.itemText(item);
    }
    return items;
}

inline TShown Shown(const TFormMain& Main) {
    TShown shown{Main.EditNews->toPlainText(),
                 Items(*Main.ComboBoxSrc),
                 Items(*Main.ComboBoxDst),
                 Main.ComboBoxSrc->currentIndex(),
                 Main.ComboBoxDst->currentIndex(),
                 Main.ComboBoxSrc->isEnabled(),
                 {},
                 {},
                 ShownOffers(*Main.DBGridRates),
                 NamesTable,
                 RatesTable,
                 ExchangersTable};
    for (int item = 0; item < Main.ListBoxHide->count(); ++item) {
        shown.Hide << Main.ListBoxHide->item(item)->text();
        if (Main.ListBoxHide->item(item)->isSelected()) {
            shown.Hidden << item;
        }
    }
    return shown;
}
