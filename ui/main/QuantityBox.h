#pragma once

#include "core/OrderModel.h"

#include <QAbstractSpinBox>

class QLineEdit;

namespace pelmar {

// The quantity box: digits, "+", "-" and the decimal separator may be typed;
// its value is the integer its text holds, or 0. A value outside 0..kMaxQuantity is
// allowed while typing and brought to the nearer limit when the focus
// leaves; the buttons and arrow keys never go past the limits.
class QuantityBox : public QAbstractSpinBox
{
    Q_OBJECT
    // Read by Qt's accessible spin box (a screen reader's value, its limits
    // and the value it sets), which asks the properties of these names.
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY changed USER true)
    Q_PROPERTY(int minimum READ minimum CONSTANT)
    Q_PROPERTY(int maximum READ maximum CONSTANT)
public:
    static constexpr int Minimum = 0;
    static constexpr int Maximum = kMaxQuantity;

    explicit QuantityBox(QWidget* parent = nullptr);

    int value() const;
    int minimum() const { return Minimum; }
    int maximum() const { return Maximum; }
    void setValue(int value);
    QString text() const;
    // The box's text field (typing goes there).
    QLineEdit* editor() const { return lineEdit(); }
    // Brings an out-of-range value to the nearer limit (what leaving the box
    // does).
    void confirmValue();

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

signals:
    // Any change of the text.
    void changed();

protected:
    StepEnabled stepEnabled() const override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace pelmar
