#include "ui/disc/DiscWriteDialog.h"

#include "delivery/DiscCapacity.h"
#include "delivery/OrderFolder.h"
#include "ui/common/AccessibleControls.h"
#include "ui/common/FileDialogLook.h"
#include "ui/common/Guard.h"
#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelmar {

namespace {

const QString kCancelQuestion = QStringLiteral("Biztosan megszakítja a műveletet?");

DiscWriteDialog::Runner& runner()
{
    static DiscWriteDialog::Runner r;
    return r;
}

QString withoutTrailingSlash(QString path)
{
    path = QDir::cleanPath(path);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

DiscWriteDialog::DiscWriteDialog(const QString& orderFolder, QWidget* parent, DriveLister lister)
    : QDialog(parent)
    , m_folder(withoutTrailingSlash(orderFolder))
    , m_lister(std::move(lister))
    , m_writer(new DiscWriter(this))
{
    setObjectName(QStringLiteral("DiscWriteDialog"));
    setWindowTitle(QStringLiteral("Írás lemezre"));
    // Modal to the window that opened it, so the help window stays usable.
    setWindowModality(Qt::WindowModal);
    if (!m_lister)
        m_lister = [](QString* problem) { return DiscWriter::listDrives(QStringLiteral("xorriso"), problem); };

    auto* layout = new QVBoxLayout(this);
    // The progress row appears while writing; the window grows for it rather
    // than squeezing the rest.
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    auto* heading = new QLabel(QStringLiteral("A megrendelés mappája:"), this);
    LFolder = new QLabel(QDir::toNativeSeparators(m_folder), this);
    LFolder->setObjectName(QStringLiteral("LFolder"));
    LFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LFolder->setWordWrap(true);
    QFont bold = LFolder->font();
    bold.setBold(true);
    LFolder->setFont(bold);
    LSize = new QLabel(this);
    LSize->setObjectName(QStringLiteral("LSize"));
    layout->addWidget(heading);
    layout->addWidget(LFolder);
    layout->addWidget(LSize);

    auto* where = new QGroupBox(QStringLiteral("Hová készüljön a lemez?"), this);
    auto* grid = new QGridLayout(where);
    RBDrive = new QRadioButton(QStringLiteral("&Lemezre, ebben a meghajtóban:"), where);
    RBDrive->setObjectName(QStringLiteral("RBDrive"));
    CBDrive = new NamedComboBox(where);
    CBDrive->setObjectName(QStringLiteral("CBDrive"));
    // Read as the choice beside it says, not as the group's title.
    CBDrive->setAccessibleName(QStringLiteral("Lemezre, ebben a meghajtóban:"));
    CBDrive->setMinimumContentsLength(32);
    RefreshBtn = new QPushButton(QStringLiteral("&Keresés"), where);
    RefreshBtn->setObjectName(QStringLiteral("RefreshBtn"));
    RefreshBtn->setToolTip(QStringLiteral("Meghajtók keresése újra"));
    // Enter writes, wherever the focus is: these two never take the default.
    RefreshBtn->setAutoDefault(false);
    LNoDrive = new QLabel(where);
    LNoDrive->setObjectName(QStringLiteral("LNoDrive"));
    RBImage = new QRadioButton(QStringLiteral("Lemez&kép fájlba (.iso):"), where);
    RBImage->setObjectName(QStringLiteral("RBImage"));
    ImagePath = new QLineEdit(QDir::toNativeSeparators(m_folder + QStringLiteral(".iso")), where);
    ImagePath->setObjectName(QStringLiteral("ImagePath"));
    ImagePath->setAccessibleName(QStringLiteral("Lemezkép fájlba (.iso):"));
    BrowseBtn = new QPushButton(QStringLiteral("Tallózás..."), where);
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    BrowseBtn->setAutoDefault(false);
    grid->addWidget(RBDrive, 0, 0);
    grid->addWidget(CBDrive, 0, 1);
    grid->addWidget(RefreshBtn, 0, 2);
    grid->addWidget(LNoDrive, 1, 0, 1, 3);
    grid->addWidget(RBImage, 2, 0);
    grid->addWidget(ImagePath, 2, 1);
    grid->addWidget(BrowseBtn, 2, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(where);

    auto* progressRow = new QHBoxLayout;
    LProcess = new QLabel(QStringLiteral("Folyamat:"), this);
    LProcess->setObjectName(QStringLiteral("LProcess"));
    LPhase = new QLabel(this);
    LPhase->setObjectName(QStringLiteral("LPhase"));
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setRange(0, 100);
    progressRow->addWidget(LProcess);
    progressRow->addWidget(LPhase);
    progressRow->addWidget(PB, 1);
    layout->addLayout(progressRow);

    LResult = new QLabel(this);
    LResult->setObjectName(QStringLiteral("LResult"));
    LResult->setWordWrap(true);
    LResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(LResult);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    WriteBtn = new QPushButton(QStringLiteral("Írás"), this);
    WriteBtn->setObjectName(QStringLiteral("WriteBtn"));
    WriteBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Mégse"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    buttons->addWidget(WriteBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);

    connect(WriteBtn, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { WriteBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { CancelBtnClick(); }); });
    connect(BrowseBtn, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { BrowseBtnClick(); }); });
    connect(RefreshBtn, &QPushButton::clicked, this, [this] { runGuarded(this, [this] { RefreshDrives(); }); });
    connect(RBDrive, &QRadioButton::toggled, this, [this] { updateControls(); });
    connect(RBImage, &QRadioButton::toggled, this, [this] { updateControls(); });
    connect(m_writer, &DiscWriter::phaseChanged, this, &DiscWriteDialog::onPhaseChanged);
    connect(m_writer, &DiscWriter::progressChanged, this, &DiscWriteDialog::onProgress);
    connect(m_writer, &DiscWriter::finished, this, &DiscWriteDialog::onFinished);

    const DiscCapacity::Estimate size = DiscCapacity::estimate(DiscCapacity::folderFiles(m_folder));
    LSize->setText(DiscCapacity::capacityText(size));

    RefreshDrives();
}

DiscWriteDialog::~DiscWriteDialog() = default;

QString DiscWriteDialog::offerQuestion()
{
    return QStringLiteral("Kiírja most a megrendelés mappáját lemezre?\n\n"
                          "Ha ezen a gépen nincs lemezíró, lemezkép fájlt (.iso) is készíthet, "
                          "és azt egy másik gépen írhatja lemezre.");
}

void DiscWriteDialog::setRunner(Runner r)
{
    runner() = std::move(r);
}

void DiscWriteDialog::offer(QWidget* parent, const QString& orderFolder)
{
    if (MessageBox::confirm(parent, offerQuestion()) == MessageAnswer::Yes)
        run(parent, orderFolder);
}

void DiscWriteDialog::run(QWidget* parent, const QString& orderFolder)
{
    if (runner()) {
        runner()(parent, orderFolder);
        return;
    }
    // A folder that is no complete order never gets as far as the choice of
    // a drive.
    if (const auto problem = incompleteOrderFolderReason(orderFolder)) {
        MessageBox::error(parent, DiscWriter::incompleteFolderMessage(withoutTrailingSlash(orderFolder), *problem));
        return;
    }
    // While the message boxes are scripted nobody sits at the screen to
    // answer a real window; the writing dialog would wait for ever.
    if (ScriptedMessages::active())
        return;
    DiscWriteDialog dialog(orderFolder, parent);
    dialog.exec();
}

void DiscWriteDialog::RefreshDrives()
{
    QString problem;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_drives = m_lister(&problem);
        QApplication::restoreOverrideCursor();
    }
    CBDrive->clear();
    for (const DiscDrive& d : std::as_const(m_drives))
        CBDrive->addItem(d.accessible ? d.label() : d.label() + QStringLiteral(" (foglalt vagy nem elérhető)"),
                         d.device);
    if (m_drives.isEmpty()) {
        QString text = QStringLiteral("Nem található CD- vagy DVD-író meghajtó ezen a számítógépen.\nMentse a "
                                      "megrendelést lemezkép fájlba, és írja lemezre egy másik számítógépen.");
        if (!problem.isEmpty())
            text += QLatin1Char('\n') + problem;
        LNoDrive->setText(text);
        CBDrive->addItem(QStringLiteral("(nincs meghajtó)"));
        RBImage->setChecked(true);
    } else {
        LNoDrive->clear();
        RBDrive->setChecked(true);
    }
    updateControls();
}

void DiscWriteDialog::updateControls()
{
    const bool running = m_writer->isRunning();
    const bool haveDrives = !m_drives.isEmpty();
    RBDrive->setEnabled(!running && haveDrives);
    CBDrive->setEnabled(!running && haveDrives && RBDrive->isChecked());
    RefreshBtn->setEnabled(!running);
    LNoDrive->setVisible(!haveDrives);
    RBImage->setEnabled(!running);
    ImagePath->setEnabled(!running && RBImage->isChecked());
    BrowseBtn->setEnabled(!running && RBImage->isChecked());
    WriteBtn->setEnabled(!running && (RBImage->isChecked() || (RBDrive->isChecked() && haveDrives)));
    if (PB->isVisibleTo(this) != running) {
        LProcess->setVisible(running);
        LPhase->setVisible(running);
        PB->setVisible(running);
        adjustSize();
    }
}

void DiscWriteDialog::BrowseBtnClick()
{
    const QString path
        = chooseFileToSave(this, QStringLiteral("Lemezkép fájl mentése"), QDir::fromNativeSeparators(ImagePath->text()),
                           QStringLiteral("Lemezkép (*.iso)"));
    if (path.isEmpty())
        return;
    QString chosen = path;
    if (!chosen.endsWith(QLatin1String(".iso"), Qt::CaseInsensitive))
        chosen += QStringLiteral(".iso");
    ImagePath->setText(QDir::toNativeSeparators(chosen));
}

void DiscWriteDialog::WriteBtnClick()
{
    if (m_writer->isRunning())
        return;
    DiscJob job;
    job.sourceFolder = m_folder;
    if (RBDrive->isChecked() && !m_drives.isEmpty()) {
        job.target = DiscJob::Target::Drive;
        job.device = CBDrive->currentData().toString();
    } else {
        job.target = DiscJob::Target::ImageFile;
        job.imagePath = QDir::fromNativeSeparators(ImagePath->text().trimmed());
        if (job.imagePath.isEmpty()) {
            MessageBox::error(this, QStringLiteral("Adja meg a lemezkép fájl nevét!"));
            ImagePath->setFocus();
            return;
        }
        if (QFileInfo(job.imagePath).isFile()
            && MessageBox::confirm(this,
                                   QStringLiteral("A lemezkép fájl már létezik:\n\n%1\n\nFelülírja?")
                                       .arg(QDir::toNativeSeparators(job.imagePath)))
                != MessageAnswer::Yes)
            return;
    }
    LResult->clear();
    PB->setRange(0, 100);
    PB->setValue(0);
    // The writer reports a refused job at once; the controls follow its state.
    m_writer->start(job);
    updateControls();
}

bool DiscWriteDialog::askCancel()
{
    return MessageBox::confirm(this, kCancelQuestion) == MessageAnswer::Yes;
}

void DiscWriteDialog::CancelBtnClick()
{
    if (!m_writer->isRunning()) {
        QDialog::reject();
        return;
    }
    if (askCancel() && m_writer->isRunning())
        m_writer->cancel();
}

void DiscWriteDialog::reject()
{
    // Esc while writing asks before it stops anything; the dialog stays until
    // xorriso has ended and cleaned up.
    runGuarded(this, [this] { CancelBtnClick(); });
}

void DiscWriteDialog::closeEvent(QCloseEvent* event)
{
    if (m_writer->isRunning()) {
        event->ignore();
        runGuarded(this, [this] { CancelBtnClick(); });
        return;
    }
    QDialog::closeEvent(event);
}

void DiscWriteDialog::onPhaseChanged(DiscWriter::Phase phase)
{
    switch (phase) {
    case DiscWriter::Phase::Writing:
        LPhase->setText(RBDrive->isChecked() && !m_drives.isEmpty() ? QStringLiteral("Írás a lemezre...")
                                                                    : QStringLiteral("A lemezkép írása..."));
        break;
    case DiscWriter::Phase::Verifying:
        LPhase->setText(QStringLiteral("Ellenőrzés..."));
        break;
    case DiscWriter::Phase::Idle:
        break;
    }
    PB->setRange(0, 100);
    PB->setValue(0);
    updateControls();
}

void DiscWriteDialog::onProgress(int percent)
{
    if (percent < 0) {
        PB->setRange(0, 0); // busy: the step cannot tell how far it got
        return;
    }
    PB->setRange(0, 100);
    PB->setValue(percent);
}

void DiscWriteDialog::onFinished(const DiscResult& result)
{
    updateControls();
    switch (result.outcome) {
    case DiscResult::Outcome::Success:
        LResult->setText(result.message);
        MessageBox::information(this, result.message);
        accept();
        return;
    case DiscResult::Outcome::Cancelled:
        LResult->setText(result.message);
        adjustSize();
        return;
    case DiscResult::Outcome::Failed:
        break;
    }
    LResult->setText(result.message);
    adjustSize();
    MessageBox::error(this, result.message);
}

} // namespace pelmar
