#pragma once

#include "delivery/DiscWriter.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace pelmar {

// "Írás lemezre": writes a finished order folder onto a disc in one of the
// optical drives, or saves it as a disc image file, and verifies it. Offered
// after a successful order build and opened from the main window's "Fájl"
// menu for a folder built earlier; the folder itself is only read.
class DiscWriteDialog : public QDialog
{
    Q_OBJECT

public:
    using DriveLister = std::function<QList<DiscDrive>(QString* problem)>;

    // lister finds the drives (xorriso -devices unless given).
    explicit DiscWriteDialog(const QString& orderFolder, QWidget* parent = nullptr, DriveLister lister = {});
    ~DiscWriteDialog() override;

    // After a finished order build: asks whether the order folder should go
    // onto a disc now and, on Yes, runs the writing dialog for it.
    static void offer(QWidget* parent, const QString& orderFolder);
    static QString offerQuestion();
    // The writing dialog for an order folder, without the question: what a
    // Yes to the offer runs, and what the main window runs for a folder built
    // earlier.
    static void run(QWidget* parent, const QString& orderFolder);
    // Takes the place of the writing dialog in run(); tests put an observer
    // here, an empty one restores the dialog.
    using Runner = std::function<void(QWidget* parent, const QString& orderFolder)>;
    static void setRunner(Runner runner);

    // The writer, so a caller (or a test) can point it at another program.
    DiscWriter* writer() { return m_writer; }

    // Controls, named as the program's other forms name theirs.
    QLabel* LFolder = nullptr;
    QLabel* LSize = nullptr;
    QRadioButton* RBDrive = nullptr;
    QComboBox* CBDrive = nullptr;
    QPushButton* RefreshBtn = nullptr;
    QLabel* LNoDrive = nullptr;
    QRadioButton* RBImage = nullptr;
    QLineEdit* ImagePath = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QLabel* LProcess = nullptr;
    QLabel* LPhase = nullptr;
    QProgressBar* PB = nullptr;
    QLabel* LResult = nullptr;
    QPushButton* WriteBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Looks for drives again and fills the list.
    void RefreshDrives();
    // Starts writing with the current choice.
    void WriteBtnClick();
    // Cancels a running write (after asking), otherwise closes the dialog.
    void CancelBtnClick();
    void BrowseBtnClick();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onPhaseChanged(DiscWriter::Phase phase);
    void onProgress(int percent);
    void onFinished(const DiscResult& result);
    void updateControls();
    bool askCancel();

    QString m_folder;
    DriveLister m_lister;
    DiscWriter* m_writer = nullptr;
    QList<DiscDrive> m_drives;
};

} // namespace pelmar
