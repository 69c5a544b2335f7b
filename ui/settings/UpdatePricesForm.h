#pragma once

#include <QDialog>
#include <QStringList>
#include <QTableWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pelmar {

class TMoneyEdit;

// The list of price rows; a click on empty space clears the selection, so
// "Módosítás" goes grey again.
class TPriceListView : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// "Árlista": the partner's price list editor. It works on a copy of the price
// list and the setting values handed to it; the caller takes priceList() and
// settingValues() back only after the dialog was closed with OK.
class TUpdatePricesForm : public QDialog
{
    Q_OBJECT
public:
    TUpdatePricesForm(QWidget* parent, const QStringList& priceList, const QStringList& settingValues);
    ~TUpdatePricesForm() override;

    // Valid after a close with OK.
    const QStringList& priceList() const { return m_priceList; }
    const QStringList& settingValues() const { return m_settingValues; }
    // The size names of priceList(), in order: what the size box lists.
    QStringList sizeItems() const;

    // Handlers, public so the tests can drive the dialog as a user would.
    void FormShow();
    void ArListSelectItem(int row, bool selected);
    void NewPriceBtnClick();
    void ChgSizeBtnClick();
    bool CheckPriceFields();
    bool FormCloseQuery(int result);
    void FormClose(int result);
    void HelpBtnClick();

    static inline const QString kDuplicateText = QStringLiteral("Már létezik ilyen méret az árlistában!");
    static inline const QString kNoSelectionText = QStringLiteral("Nincs kijelölt elem!");
    static inline const QString kEmptyListText
        = QStringLiteral("Az árlista jelenleg üres!\n\nKérem írja be a programba az Ön által használt árakat.");
    static inline const QString kSizeEmptyText = QStringLiteral("Nem töltötte ki a \"Méret\" mezőt!");
    static inline const QString kOptEmptyText = QStringLiteral("Nem töltötte ki az \"Optimális felbontás\" mezőt!");
    static inline const QString kOptNoXText
        = QStringLiteral("Hibás az \"Optimális felbontás\" mező tartalma!\n\nHasználja az \"x\" karaktert a "
                         "szélesség és magasság elválasztására.");
    static inline const QString kMinEmptyText = QStringLiteral("Nem töltötte ki a \"Minimális felbontás\" mezőt!");
    static inline const QString kMinNoXText
        = QStringLiteral("Hibás a \"Minimális felbontás\" mező tartalma!\n\nHasználja az \"x\" karaktert a "
                         "szélesség és magasság elválasztására.");
    static inline const QString kSizeBadText
        = QStringLiteral("Hibás a \"Méret\" mező tartalma!\n\nA méret neve mappanév lesz a CD lemezen, ezért nem "
                         "tartalmazhatja a \\ / : * ? \" < > | karakterek egyikét sem.");
    static inline const QString kSizeLongText
        = QStringLiteral("Hibás a \"Méret\" mező tartalma!\n\nA méret neve mappanév lesz a CD lemezen, ezért nem "
                         "lehet ilyen hosszú.");
    static inline const QString kOptBarText
        = QStringLiteral("Hibás az \"Optimális felbontás\" mező tartalma!\n\nA mező nem tartalmazhatja a \"|\" "
                         "karaktert.");
    static inline const QString kPriceRangeText
        = QStringLiteral("Hibás a \"Bruttó ár\" mező tartalma!\n\nAz ár -2 147 483 648 és 2 147 483 647 Ft között "
                         "lehet.");
    static inline const QString kCdRangeText
        = QStringLiteral("Hibás a \"CD írás és indexkép\" mező tartalma!\n\nAz ár -2 147 483 648 és "
                         "2 147 483 647 Ft között lehet.");

    // Controls, named as the form's components.
    QLabel* Panel1 = nullptr;
    TPriceListView* ArList = nullptr;
    QLabel* Panel2 = nullptr;
    QLineEdit* Size = nullptr;
    QLineEdit* OptRes = nullptr;
    QLineEdit* MinRes = nullptr;
    TMoneyEdit* BruttoAr = nullptr;
    QPushButton* NewPriceBtn = nullptr;
    QPushButton* ChgSizeBtn = nullptr;
    TMoneyEdit* CDIndex = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QLabel* Image1 = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillArList();
    void setRow(int row, const QString& size, const QString& optRes, const QString& minRes, qint32 price);
    int selectedRow() const;
    void onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    bool refuse(const QString& message, QWidget* focus);

    QStringList m_priceList;
    QStringList m_settingValues;
    bool m_shown = false;
};

} // namespace pelmar
