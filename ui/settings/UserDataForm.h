#pragma once

#include "core/UserData.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pelmar {

// "Partner adatok": the partner's shop number and billing data. It edits the
// record handed to it (the program's PartnerData) and hands the record to
// `store` when it is destroyed, after every use, Mégse included.
class TUserDataForm : public QDialog
{
    Q_OBJECT
public:
    using Store = std::function<void(const TUserData&)>;

    TUserDataForm(QWidget* parent, TUserData& data, Store store);
    ~TUserDataForm() override;

    // Handlers, public so the tests can drive the dialog.
    void FormCreate();
    bool FormCloseQuery(int result);
    void FormDestroy();
    void HelpBtnClick();

    static inline const QString kBadShopText = QStringLiteral("Hibás üzletszám!");
    static inline const QString kNameText = QStringLiteral("Nem töltötte ki a \"Név\" mezőt!");
    static inline const QString kIrszText = QStringLiteral("Nem töltötte ki az \"Irányítószám\" mezőt!");
    static inline const QString kHelysText = QStringLiteral("Nem töltötte ki az \"Helység\" mezőt!");
    static inline const QString kCimText = QStringLiteral("Nem töltötte ki az \"Cím\" mezőt!");

    QLabel* Image1 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* UserID = nullptr;
    QLineEdit* UserName = nullptr;
    QLineEdit* UserHelys = nullptr;
    QLineEdit* UserCim = nullptr;
    QLineEdit* UserIrsz = nullptr;
    QLineEdit* UserTel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool refuse(const QString& message, QLineEdit* focus);

    TUserData& m_data;
    Store m_store;
};

} // namespace pelmar
