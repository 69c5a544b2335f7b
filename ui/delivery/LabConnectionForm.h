#pragma once

#include "delivery/LabConnection.h"
#include "delivery/SendQueue.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace pelmar {

// "Kapcsolat a laborral": where and how the orders go to the lab over the
// network (server, port, account, the lab's folder, the shop's key or a
// password, the lab's host key), with a test of the connection that says in
// Hungarian what failed. The connection is kept in the settings store under
// a key of its own; a password only in the desktop's keyring.
class LabConnectionForm : public QDialog
{
    Q_OBJECT

public:
    // databasePath: the settings database (empty: the program's own);
    // keyPath: where a new key pair is made (empty: beside the settings).
    explicit LabConnectionForm(QWidget* parent = nullptr, const QString& databasePath = {},
                               const QString& keyPath = {});

    // The connection as the fields now say; nothing (and the reason in
    // Hungarian) while a field cannot be taken.
    std::optional<LabConnection> fieldsConnection(QString* problem = nullptr) const;
    void showConnection(const LabConnection& connection);
    // The last connection test's outcome, as shown.
    QString testResultText() const;

    QLineEdit* Host = nullptr;
    QSpinBox* Port = nullptr;
    QLineEdit* User = nullptr;
    QLineEdit* RemoteFolder = nullptr;
    QRadioButton* RBKey = nullptr;
    QRadioButton* RBPassword = nullptr;
    QLineEdit* KeyFile = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QPushButton* MakeKeyBtn = nullptr;
    QPlainTextEdit* PublicKey = nullptr;
    QPushButton* CopyBtn = nullptr;
    QLineEdit* Password = nullptr;
    QLineEdit* HostKey = nullptr;
    QPushButton* TestBtn = nullptr;
    QLabel* LTestResult = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    void TestBtnClick();
    void MakeKeyBtnClick();
    void BrowseBtnClick();
    void OKBtnClick();

signals:
    // A connection test ended (its text is in LTestResult).
    void tested(const pelmar::ConnectionTestResult& result);

private:
    void updateEnabled();
    void showPublicKey();
    void onTested(const ConnectionTestResult& result);

    QString m_databasePath;
    QString m_keyPath;
    ConnectionTester* m_tester = nullptr;
};

} // namespace pelmar
