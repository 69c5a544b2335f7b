#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pelmar {

// "Üdvözöljük": greets a new partner. The first-run flow reads its three check
// boxes after it has closed, however it was closed.
class TWelcomeForm : public QDialog
{
    Q_OBJECT
public:
    explicit TWelcomeForm(QWidget* parent);

    // The text block with the lab's address, as shown.
    static QString addressText();

    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* CBUpdateArlist = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CBUserData = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* CBHide = nullptr;
    QPushButton* OKBtn = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace pelmar
