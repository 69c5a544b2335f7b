#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;

namespace pelmar {

// A label that behaves as a web link: blue, underlined, a hand cursor; a click
// opens the address held in its hint.
class TLinkLabel : public QLabel
{
    Q_OBJECT
public:
    TLinkLabel(const QString& text, const QString& hint, QWidget* parent);
    const QString& hint() const { return m_hint; }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_hint;
};

// "Névjegy": the program's name and version and a link to the lab's site.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent);

    void Label3Click();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    TLinkLabel* Label3 = nullptr;
    QPushButton* OKBtn = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace pelmar
