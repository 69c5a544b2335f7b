#pragma once

#include <QLineEdit>
#include <optional>

namespace pelmar {

// A money field: the user types an amount with an optional minus sign and up
// to two decimals ("199.99" or "199,99"); without the focus it shows the
// whole forints right-aligned with digit grouping and " Ft" ("1 500 Ft",
// "0 Ft", "-10 Ft"), never blank.
class TMoneyEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TMoneyEdit(QWidget* parent = nullptr);

    // The amount as typed (empty counts as 0).
    QString amountText() const;
    void setAmountText(const QString& text);
    void setValue(qint64 forints);

    // Whole forints, truncated toward zero (199.99 gives 199, -10.5 gives
    // -10). Nothing when the amount does not fit a signed 32-bit integer.
    std::optional<qint32> forints() const;
    // The same in 64 bits; always defined for what the field accepts.
    qint64 wholeForints() const;

    // ",0 Ft;-,0 Ft": grouped whole forints followed by " Ft".
    static QString formatForints(qint64 forints);
    // Truncation toward zero of a typed amount; 0 for an empty or bare sign.
    static qint64 truncateAmount(const QString& text);

    bool isEditing() const { return m_editing; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void startEditing();
    void showFormatted();

    QString m_amount;
    bool m_editing = false;
};

} // namespace pelmar
