#pragma once

#include <QLineEdit>

namespace pelmar {

// The envelope number field: six positions, each a required digit. A blank
// position reads as a space. Leaving the field (or Enter) with a blank
// position after an edit is refused with the general error box and the
// focus stays; Esc after an edit brings back the text the field had when it
// got the focus; entering the field selects all of its text.
class EnvelopeEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit EnvelopeEdit(QWidget* parent = nullptr);

    static QString refusalText();

    // All six positions hold digits.
    bool isComplete() const;
    // The text with blanks for the unfilled positions (always six long).
    QString maskedText() const;
    // Refuses (beep, general error box, focus back) when incomplete; true
    // when the field is complete.
    bool validateNow();
    // True between an edit and the next time the field receives the focus.
    bool editedSinceEntry() const { return m_edited; }

signals:
    // Focus received (TasakNoEnter).
    void entered();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refuse();

    QString m_entryText;
    bool m_edited = false;
    bool m_refusing = false;
    bool m_keepEntry = false;
};

} // namespace pelmar
