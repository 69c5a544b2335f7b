#include "core/OrderModel.h"

#include "core/AddRun.h"
#include "core/NativePath.h"

#include <algorithm>

namespace pelmar {

namespace {

QString money(qint64 value)
{
    return QString::number(value) + QStringLiteral(" Ft");
}

} // namespace

QString OrderLine::toolTip() const
{
    if (source.isEmpty())
        return info();
    return info() + QStringLiteral("\n\nEredeti fájl: ") + source;
}

QString FillModeName(bool fill)
{
    return fill ? QStringLiteral("fill") : QStringLiteral("fit");
}

OrderModel::OrderModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int OrderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int OrderModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OrderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const OrderLine& l = m_lines[index.row()];
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // Column 0 is the caption; columns 1..6 show sub-items 0..5.
        return col == 0 ? l.Caption : l.SubItems.value(col - 1);
    case Qt::ToolTipRole:
        return l.toolTip();
    case Qt::TextAlignmentRole:
        if (col == 0)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        if (col >= 5)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    case StatusIconRole:
        return l.ImageIndex;
    case Qt::AccessibleTextRole:
        // A screen reader gets in words what the status icon shows.
        if (col == 0 && l.ImageIndex == StatusAccepted)
            return l.Caption + QStringLiteral(", megfelelő");
        if (col == 0 && l.ImageIndex == StatusBelowMinimum)
            return l.Caption + QStringLiteral(", a minimum alatt");
        return data(index, Qt::DisplayRole);
    case Qt::AccessibleDescriptionRole:
        // The info text as the status line shows it, on one line.
        return QString(l.info()).replace(QLatin1Char('\n'), QLatin1Char(' '));
    default:
        return {};
    }
}

QVariant OrderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    static const char16_t* const captions[ColumnCount]
        = {u"Fájlnév", u"Felbontás", u"Kitöltés", u"Méret", u"Darab", u"Egységár", u"Összeg"};
    if (section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(captions[section]);
    if (role == Qt::TextAlignmentRole)
        return section == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                            : (section >= 5 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignCenter));
    return {};
}

const OrderLine& OrderModel::line(int row) const
{
    if (row < m_lines.size())
        return m_lines[row];
    return m_pending[row - m_lines.size()];
}

OrderLine& OrderModel::mutableLine(int row)
{
    if (row < m_lines.size())
        return m_lines[row];
    return m_pending[row - m_lines.size()];
}

void OrderModel::emitRowChanged(int row)
{
    if (row < m_lines.size())
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void OrderModel::beginBatch()
{
    m_batch = true;
}

QList<int> OrderModel::endBatch()
{
    m_batch = false;
    QList<int> rows;
    if (m_pending.isEmpty())
        return rows;
    const int first = int(m_lines.size());
    const int last = first + int(m_pending.size()) - 1;
    beginInsertRows({}, first, last);
    m_lines.append(std::move(m_pending));
    m_pending.clear();
    endInsertRows();
    for (int r = first; r <= last; ++r)
        rows.append(r);
    return rows;
}

int OrderModel::AddOrderLine(const QString& fullPath, const QString& resolution, int status, const QString& info,
                             bool fill, const TPriceData& entry, const QString& /*quantityText*/, int quantity,
                             const QString& source)
{
    OrderLine l;
    l.source = source;
    l.Caption = ReadableName(FileNameOf(fullPath));
    l.ImageIndex = status;
    l.SubItems = {resolution, FillModeName(fill), entry.Size,
                  // The box's value, not its text: a text that is no integer
                  // (empty, a lone sign) would stop the totals and the order
                  // build from reading the line back.
                  QString::number(quantity), money(entry.Price), money(qint64(quantity) * entry.Price), info, fullPath,
                  QString()};
    l.Data = entry.Price;
    if (m_batch) {
        m_pending.append(std::move(l));
        return lineCount() - 1;
    }
    const int row = int(m_lines.size());
    beginInsertRows({}, row, row);
    m_lines.append(std::move(l));
    endInsertRows();
    return row;
}

int OrderModel::FindOrderItem(const QString& name, const QString& size, bool fill) const
{
    // The add run's equality, walked line by line.
    const QString key = DuplicateKey(name, size, fill);
    const int n = lineCount();
    for (int r = 0; r < n; ++r) {
        const OrderLine& l = line(r);
        if (DuplicateKey(l.Caption, l.size(), l.fills()) == key)
            return r;
    }
    return -1;
}

QString OrderModel::refusalText(ModifyRefusal refusal)
{
    switch (refusal) {
    case ModifyRefusal::NoSize:
        return QStringLiteral("Nem jelölt ki méretet!");
    case ModifyRefusal::BadQuantity:
        return QStringLiteral("A méret mező tartalma nem megfelelő!");
    case ModifyRefusal::NoSelection:
        return QStringLiteral("Nincs kijelölt kép!");
    case ModifyRefusal::None:
        break;
    }
    return {};
}

ModifyRefusal OrderModel::ModifySelected(const QList<int>& rows, const EditorValues& editor, const Checker& check)
{
    if (!editor.sizeSelected)
        return ModifyRefusal::NoSize;
    if (editor.quantity < 0 || editor.quantity > kMaxQuantity)
        return ModifyRefusal::BadQuantity;
    if (rows.isEmpty())
        return ModifyRefusal::NoSelection;

    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const TPriceData& price = editor.currentPrice;
    for (int row : sorted) {
        if (row < 0 || row >= lineCount())
            continue;
        OrderLine& l = mutableLine(row);
        const CheckResult result = check ? check(l.path(), price) : CheckPicture(l.path(), price);
        l.ImageIndex = result.status;
        l.SubItems[SubFill] = FillModeName(editor.fill);
        l.SubItems[SubSize] = editor.sizeName;
        // The quantity text is always the box's value, so the totals and the
        // order build can always read it back.
        l.SubItems[SubQuantity] = QString::number(editor.quantity);
        l.SubItems[SubLineTotal] = money(qint64(editor.quantity) * price.Price);
        l.SubItems[SubUnitPrice] = money(price.Price);
        l.SubItems[SubInfo] = result.info;
        l.Data = price.Price;
        emitRowChanged(row);
    }
    return ModifyRefusal::None;
}

QString OrderModel::deleteQuestion(const QList<int>& rows) const
{
    if (rows.size() == 1 && rows.front() >= 0 && rows.front() < lineCount())
        return QStringLiteral("Biztos törli a képet a megrendelésből:\n\n") + line(rows.front()).Caption
            + QStringLiteral(" ?");
    return QStringLiteral("Biztos törli a kijelölt képeket a megrendelésből?");
}

void OrderModel::removeLines(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the end, and contiguous runs together, so a large deletion is a
    // handful of model signals rather than one per line.
    int i = int(rows.size()) - 1;
    while (i >= 0) {
        const int last = rows[i];
        int first = last;
        while (i > 0 && rows[i - 1] == first - 1) {
            --i;
            first = rows[i];
        }
        --i;
        if (first < 0 || last >= m_lines.size())
            continue;
        beginRemoveRows({}, first, last);
        m_lines.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void OrderModel::reprice(const QStringList& priceList)
{
    const QStringList sizes = SizeNames(priceList);
    for (int row = 0; row < lineCount(); ++row) {
        OrderLine& l = mutableLine(row);
        const int idx = FindSizeIndex(sizes, l.size());
        if (idx < 0)
            continue;
        const TPriceData entry = ParsePriceData(priceList[idx]);
        const qint64 quantity = StrToIntDef(l.quantityText(), 0);
        l.SubItems[SubUnitPrice] = money(entry.Price);
        l.SubItems[SubLineTotal] = money(quantity * entry.Price);
        l.Data = entry.Price;
    }
    if (!m_lines.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_lines.size()) - 1, ColumnCount - 1));
}

void OrderModel::setNewName(int row, const QString& newName)
{
    if (row < 0 || row >= lineCount())
        return;
    mutableLine(row).SubItems[SubNewName] = newName;
}

void OrderModel::clear()
{
    beginResetModel();
    m_lines.clear();
    m_pending.clear();
    endResetModel();
}

Totals OrderModel::UpdateTotals() const
{
    Totals t;
    for (int row = 0; row < lineCount(); ++row) {
        const OrderLine& l = line(row);
        const qint64 q = StrToInt(l.quantityText());
        t.quantity += q;
        t.price += q * l.Data;
    }
    return t;
}

} // namespace pelmar
