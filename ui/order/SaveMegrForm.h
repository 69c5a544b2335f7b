#pragma once

#include "core/OrderModel.h"
#include "core/UserData.h"
#include "output/OrderBuilder.h"
#include "output/OrderNames.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace pelmar {

class EnvelopeEdit;
class ReportPrintouts;
class TBrowseForFolderDialog;
class TFileOperation;

// "Megrendelés rögzítése": the order assembly dialog. It groups the order
// lines into the size summary, names every picture's place in the order
// folder, and runs the build of the order folder ("Megrendelés").
class TSaveMegrForm : public QDialog, private BuildHost
{
    Q_OBJECT
public:
    // The dialog reads the order lines and writes their new names; partner
    // data and setting values are read once, when it opens.
    TSaveMegrForm(QWidget* owner, OrderModel& order, const TUserData& partner, const QStringList& settingValues);
    ~TSaveMegrForm() override;

    // Controls, named as in the form's design.
    QTableWidget* SizeList = nullptr;
    QLabel* LSumMegr = nullptr;
    QLabel* LDiscSize = nullptr; // does the order fit a CD
    QLineEdit* UserID = nullptr;
    QLineEdit* UserNev = nullptr;
    QLineEdit* UserHelys = nullptr;
    QLineEdit* UserCim = nullptr;
    QLineEdit* UserIrsz = nullptr;
    QLineEdit* Megj = nullptr;
    QLineEdit* VevoNev = nullptr;
    QLineEdit* VevoHelys = nullptr;
    QLineEdit* VevoCim = nullptr;
    QLineEdit* VevoIrsz = nullptr;
    QCheckBox* CBPrintData = nullptr;
    QCheckBox* CBPrintSumData = nullptr;
    QCheckBox* CBCDIndex = nullptr;
    EnvelopeEdit* TasakNo = nullptr;
    QLineEdit* OutputFolder = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QLabel* LProcess = nullptr;
    QProgressBar* PB = nullptr;
    QPushButton* MegrBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    TBrowseForFolderDialog* BFD = nullptr;
    TFileOperation* FO = nullptr;

    // State of one use of the dialog.
    QStringList TargetList;
    bool CancelRequest = false;
    QString BaseFolder;
    qint64 PicturesTotal = 0;
    qint64 CDFee = 0;

    // Handlers.
    void TasakNoChange();
    void TasakNoEnter();
    void CBCDIndexClick();
    void CBPrintDataClick();
    void BrowseBtnClick();
    void BFDInitialized();
    void HelpBtnClick();
    void CancelBtnClick();
    void MegrBtnClick();

    // The field texts as the build reads them.
    OrderFields fieldTexts() const;
    const QList<SizeRow>& sizeRows() const { return m_sizes; }
    bool building() const { return m_building; }
    // The order folder of the build that closed the dialog with OK.
    const QString& builtFolder() const { return m_builtFolder; }

    // The printouts the build saves and previews (the report module's by
    // default); tests put an observer here.
    void setPrintouts(PrintoutSink* printouts) { m_printouts = printouts; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void buildControls();
    void setInputsEnabled(bool enabled);
    QString totalText() const;

    // BuildHost
    void partnerRefused(PartnerField field, const QString& message) override;
    void outputFolderChanged(const QString& folder) override;
    void copyingStarted(int count) override;
    void beforePicture(int index) override;
    bool cancelRequested() override;
    bool confirmStop() override;
    bool continueAfterCopyError(const QString& source, const QString& reason) override;
    void copyingEnded() override;

    OrderModel& m_order;
    TUserData m_partner;
    QStringList m_settingValues;
    QList<SizeRow> m_sizes;
    std::unique_ptr<ReportPrintouts> m_reportPrintouts;
    PrintoutSink* m_printouts = nullptr;
    bool m_building = false;
    bool m_closeDuringBuild = false;
    bool m_discSizeAccepted = false;
    QString m_builtFolder;
};

} // namespace pelmar
