#pragma once

#include "core/PictureCheck.h"
#include "core/PriceData.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <functional>

namespace pelmar {

// A line's quantity lies within 0..kMaxQuantity (the quantity box, the
// modify check, and the longest group folder name a size name must fit).
inline constexpr int kMaxQuantity = 1000;

// A line's fill mode as the line, the order description and the group folder
// name write it: "fill" or "fit".
QString FillModeName(bool fill);

// Positions of an order line's sub-items; other modules read them by position.
enum SubItem : int {
    SubResolution = 0, // "HxW" or "Ismeretlen"
    SubFill = 1, // "fill" / "fit"
    SubSize = 2, // size name of the price entry
    SubQuantity = 3, // quantity, decimal text
    SubUnitPrice = 4, // "<price> Ft"
    SubLineTotal = 5, // "<quantity*price> Ft"
    SubInfo = 6, // check message, may hold '\n'
    SubPath = 7, // full path
    SubNewName = 8, // "kep00001", filled by the order assembly dialog
    SubItemCount = 9,
};

// One picture of the order.
struct OrderLine
{
    QString Caption; // file name without folder
    QStringList SubItems; // always SubItemCount entries
    qint32 Data = 0; // unit price in forints
    int ImageIndex = -1; // status icon: 0 check mark, 2 red cross, -1 none
    // For a picture converted to JPEG (the file at path), the file it was
    // converted from; the journal and a saved order keep this one.
    QString source;

    OrderLine() { SubItems.resize(SubItemCount); }

    const QString& resolution() const { return SubItems[SubResolution]; }
    const QString& fill() const { return SubItems[SubFill]; }
    bool fills() const { return SubItems[SubFill] == FillModeName(true); }
    const QString& size() const { return SubItems[SubSize]; }
    const QString& quantityText() const { return SubItems[SubQuantity]; }
    const QString& info() const { return SubItems[SubInfo]; }
    const QString& path() const { return SubItems[SubPath]; }
    const QString& newName() const { return SubItems[SubNewName]; }
    const QString& originalPath() const { return source.isEmpty() ? path() : source; }
    // The info text, and for a converted picture the file it came from.
    QString toolTip() const;
};

// What the editor row holds when "Kijelölt elemek módosítása" runs.
struct EditorValues
{
    bool sizeSelected = false;
    QString sizeName;
    bool fill = true;
    int quantity = 1; // the quantity box's value
    TPriceData currentPrice;
};

enum class ModifyRefusal { None, NoSize, BadQuantity, NoSelection };

struct Totals
{
    qint64 quantity = 0;
    qint64 price = 0;
    QString quantityText() const { return QString::number(quantity) + QStringLiteral(" db"); }
    QString priceText() const { return QString::number(price) + QStringLiteral(" Ft"); }
};

// The order: its lines in list order. The model knows nothing of selection
// or focus; those belong to the view's selection model, and the operations
// that act on "the selected lines" take their row numbers.
class OrderModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Column layout of the picture list.
    static constexpr int ColumnCount = 7;
    // Role for the status icon index (int, -1 none).
    static constexpr int StatusIconRole = Qt::UserRole + 1;

    explicit OrderModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    int lineCount() const { return int(m_lines.size()) + int(m_pending.size()); }
    bool isEmpty() const { return lineCount() == 0; }
    // Lines visible to views (a batch's pending lines are not among them).
    const QList<OrderLine>& lines() const { return m_lines; }
    const OrderLine& line(int row) const;

    // While a batch is open, added lines are kept aside and announced to
    // views in one insertion when it ends, so a long add run redraws once.
    // Duplicate searches see them all the same.
    void beginBatch();
    // Returns the rows of the lines added during the batch.
    QList<int> endBatch();
    bool inBatch() const { return m_batch; }

    // Appends one line; returns its row. Outside a batch views see it at once.
    // The stored quantity text is always the decimal `quantity` (the box's
    // value); quantityText is accepted for the callers' convenience only.
    int AddOrderLine(const QString& fullPath, const QString& resolution, int status, const QString& info, bool fill,
                     const TPriceData& entry, const QString& quantityText, int quantity, const QString& source = {});

    // The duplicate search: the row of the first line named `name` (case
    // ignored) with exactly this size and fill mode, or -1.
    int FindOrderItem(const QString& name, const QString& size, bool fill) const;

    // Checks in order: a size selected, quantity within 0..1000, a line
    // selected; then re-checks and re-prices every row in `rows`.
    // `check` runs the picture check (the real one by default).
    using Checker = std::function<CheckResult(const QString&, const TPriceData&)>;
    ModifyRefusal ModifySelected(const QList<int>& rows, const EditorValues& editor, const Checker& check = {});
    static QString refusalText(ModifyRefusal refusal);

    // The question DeleteSelected asks before removing these rows.
    QString deleteQuestion(const QList<int>& rows) const;
    // Removes the rows (any order, duplicates ignored).
    void removeLines(QList<int> rows);

    // Re-prices every line from the price list by its size name (case
    // ignored); a line whose size is no longer listed keeps its prices.
    void reprice(const QStringList& priceList);

    void setNewName(int row, const QString& newName);
    void clear();

    // The totals; adds in 64 bits, so they never wrap.
    Totals UpdateTotals() const;

private:
    OrderLine& mutableLine(int row);
    void emitRowChanged(int row);

    QList<OrderLine> m_lines;
    QList<OrderLine> m_pending;
    bool m_batch = false;
};

} // namespace pelmar
