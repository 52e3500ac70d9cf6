#pragma once
// A currency list that filters as the user types: any part of a name, without letter case. Only a name of the
// list is ever chosen; a typed text that names none is put back to the current choice when editing ends.
#include <QComboBox>

class TCurrencyList : public QComboBox {
    Q_OBJECT
  public:
    explicit TCurrencyList(QWidget* Parent = nullptr);

    void showPopup() override;

  protected:
    void focusInEvent(QFocusEvent* Event) override;

  private:
    void FitPopupsToScreen();
    void RestoreChosenText();

    int FWantedRows = 0; // the list's own limit, before the screen cuts it
};

// A plain list of currencies (no typing) whose popup is no taller than half the screen, whatever the style.
class THalfScreenList : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;

    void showPopup() override;
};

// The chosen name, never the half-typed text of the edit field; empty while nothing is chosen.
QString ChosenCurrency(const QComboBox& Combo);
