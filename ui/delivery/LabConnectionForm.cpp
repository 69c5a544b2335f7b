#include "ui/delivery/LabConnectionForm.h"

#include "core/UserData.h"
#include "delivery/SshKeyPair.h"
#include "ui/common/DialogStyle.h"
#include "ui/common/FileDialogLook.h"
#include "ui/common/MessageBox.h"
#include "ui/delivery/LabKeychain.h"
#include "ui/help/Help.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pelmar {

LabConnectionForm::LabConnectionForm(QWidget* parent, const QString& databasePath, const QString& keyPath)
    : QDialog(parent)
    , m_databasePath(databasePath)
    , m_keyPath(keyPath.isEmpty() ? defaultLabKeyPath() : keyPath)
{
    setObjectName(QStringLiteral("LabConnectionForm"));
    setWindowTitle(QStringLiteral("Kapcsolat a laborral"));
    setWindowModality(Qt::WindowModal);

    auto* intro = new QLabel(QStringLiteral("A program a kész megrendeléseket SFTP-n küldi a labor szerverére. "
                                            "Az adatokat a labortól kapja."),
                             this);
    intro->setObjectName(QStringLiteral("LIntro"));
    intro->setWordWrap(true);

    Host = DialogStyle::lineField(QStringLiteral("Host"), 240, this);
    Port = new QSpinBox(this);
    Port->setObjectName(QStringLiteral("Port"));
    Port->setRange(1, 65535);
    Port->setValue(22);
    Port->setFixedWidth(90);
    User = DialogStyle::lineField(QStringLiteral("User"), 240, this);
    RemoteFolder = DialogStyle::lineField(QStringLiteral("RemoteFolder"), 240, this);
    RBKey = new QRadioButton(QStringLiteral("Belépés &kulccsal"), this);
    RBKey->setObjectName(QStringLiteral("RBKey"));
    RBPassword = new QRadioButton(QStringLiteral("Belépés &jelszóval"), this);
    RBPassword->setObjectName(QStringLiteral("RBPassword"));
    RBKey->setChecked(true);
    KeyFile = DialogStyle::lineField(QStringLiteral("KeyFile"), 300, this);
    BrowseBtn = DialogStyle::button(QStringLiteral("&Tallózás..."), QStringLiteral("BrowseBtn"), this);
    MakeKeyBtn = DialogStyle::button(QStringLiteral("Kulcspár kés&zítése"), QStringLiteral("MakeKeyBtn"), this);
    PublicKey = new QPlainTextEdit(this);
    PublicKey->setObjectName(QStringLiteral("PublicKey"));
    PublicKey->setReadOnly(true);
    PublicKey->setFixedHeight(48);
    PublicKey->setTabChangesFocus(true);
    CopyBtn = DialogStyle::button(QStringLiteral("Más&olás"), QStringLiteral("CopyBtn"), this);
    Password = DialogStyle::lineField(QStringLiteral("Password"), 240, this);
    Password->setEchoMode(QLineEdit::Password);
    HostKey = DialogStyle::lineField(QStringLiteral("HostKey"), 460, this);
    HostKey->setPlaceholderText(QStringLiteral("SHA256:..."));
    TestBtn = DialogStyle::button(QStringLiteral("Kapcsolat k&ipróbálása"), QStringLiteral("TestBtn"), this);
    LTestResult = new QLabel(this);
    LTestResult->setObjectName(QStringLiteral("LTestResult"));
    LTestResult->setWordWrap(true);
    LTestResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LTestResult->setMinimumHeight(40);
    // Their captions are longer than the dialogs' usual button width.
    for (QPushButton* b : {BrowseBtn, MakeKeyBtn, CopyBtn, TestBtn})
        b->setMinimumWidth(b->sizeHint().width());
    OKBtn = DialogStyle::button(QStringLiteral("OK"), QStringLiteral("OKBtn"), this);
    OKBtn->setDefault(true);
    CancelBtn = DialogStyle::button(QStringLiteral("Mégse"), QStringLiteral("CancelBtn"), this);
    HelpBtn = DialogStyle::button(QStringLiteral("Súgó"), QStringLiteral("HelpBtn"), this);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto row = [this, form](const QString& caption, QWidget* field, QLayout* layout = nullptr) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        if (layout)
            form->addRow(label, layout);
        else
            form->addRow(label, field);
    };
    row(QStringLiteral("&Szerver:"), Host);
    row(QStringLiteral("&Port:"), Port);
    row(QStringLiteral("&Felhasználónév:"), User);
    row(QStringLiteral("&Mappa a szerveren:"), RemoteFolder);
    auto* how = new QHBoxLayout;
    how->addWidget(RBKey);
    how->addWidget(RBPassword);
    how->addStretch(1);
    form->addRow(QString(), how);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(KeyFile);
    keyRow->addWidget(BrowseBtn);
    keyRow->addWidget(MakeKeyBtn);
    row(QStringLiteral("K&ulcsfájl:"), KeyFile, keyRow);
    auto* publicRow = new QHBoxLayout;
    publicRow->addWidget(PublicKey, 1);
    publicRow->addWidget(CopyBtn, 0, Qt::AlignTop);
    row(QStringLiteral("&Nyilvános kulcs\n(küldje el a labornak):"), PublicKey, publicRow);
    row(QStringLiteral("J&elszó:"), Password);
    row(QStringLiteral("&A szerver ujjlenyomata:"), HostKey);

    auto* testRow = new QHBoxLayout;
    testRow->addWidget(TestBtn, 0, Qt::AlignTop);
    testRow->addWidget(LTestResult, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(intro);
    outer->addLayout(form);
    outer->addLayout(testRow);
    outer->addLayout(buttons);

    connect(RBKey, &QRadioButton::toggled, this, &LabConnectionForm::updateEnabled);
    connect(KeyFile, &QLineEdit::textChanged, this, &LabConnectionForm::showPublicKey);
    connect(BrowseBtn, &QPushButton::clicked, this, &LabConnectionForm::BrowseBtnClick);
    connect(MakeKeyBtn, &QPushButton::clicked, this, &LabConnectionForm::MakeKeyBtnClick);
    connect(CopyBtn, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(PublicKey->toPlainText()); });
    connect(TestBtn, &QPushButton::clicked, this, &LabConnectionForm::TestBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &LabConnectionForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto help = [] { Help::ShowHelpTopic(QStringLiteral("labconnection.html")); };
    connect(HelpBtn, &QPushButton::clicked, this, help);
    Help::installHelpKey(this, help);

    showConnection(loadLabConnection(m_databasePath));
}

void LabConnectionForm::showConnection(const LabConnection& c)
{
    Host->setText(c.host);
    Port->setValue(c.port > 0 ? c.port : 22);
    User->setText(c.user);
    RemoteFolder->setText(c.remoteFolder);
    KeyFile->setText(c.keyFile.isEmpty() && QFileInfo::exists(m_keyPath) ? m_keyPath : c.keyFile);
    HostKey->setText(c.hostKey);
    (c.usePassword ? RBPassword : RBKey)->setChecked(true);
    updateEnabled();
    showPublicKey();
}

std::optional<LabConnection> LabConnectionForm::fieldsConnection(QString* problem) const
{
    auto refuse = [problem](QWidget* field, const QString& text) -> std::optional<LabConnection> {
        if (problem)
            *problem = text;
        field->setFocus();
        return std::nullopt;
    };
    LabConnection c;
    c.host = Host->text().trimmed();
    c.port = Port->value();
    c.user = User->text().trimmed();
    c.remoteFolder = RemoteFolder->text().trimmed();
    c.usePassword = RBPassword->isChecked();
    c.keyFile = c.usePassword ? QString() : KeyFile->text().trimmed();
    const QString typedKey = HostKey->text().trimmed();
    if (c.host.isEmpty())
        return refuse(Host, QStringLiteral("Adja meg a labor szerverének nevét vagy címét."));
    if (c.host.contains(QLatin1Char('/')) || c.host.contains(QLatin1Char('@')) || c.host.contains(QLatin1Char(' ')))
        return refuse(Host, QStringLiteral("A szerver neve nem tartalmazhat \"/\", \"@\" vagy szóköz karaktert."));
    if (c.user.isEmpty())
        return refuse(User, QStringLiteral("Adja meg a felhasználónevet, amelyet a labortól kapott."));
    if (c.remoteFolder.isEmpty())
        return refuse(RemoteFolder, QStringLiteral("Adja meg a mappát a szerveren, ahová a megrendelések kerülnek."));
    if (!c.usePassword && c.keyFile.isEmpty())
        return refuse(KeyFile, QStringLiteral("Adja meg a kulcsfájlt, vagy készítsen kulcspárt."));
    if (!typedKey.isEmpty()) {
        const auto normal = normalizeHostKeyFingerprint(typedKey);
        if (!normal)
            return refuse(HostKey,
                          QStringLiteral("A szerver ujjlenyomata nem SHA256 ujjlenyomat "
                                         "(\"SHA256:\" és 43 karakter, ahogy a labor megadta)."));
        c.hostKey = *normal;
    }
    return c;
}

QString LabConnectionForm::testResultText() const
{
    return LTestResult->text();
}

void LabConnectionForm::updateEnabled()
{
    const bool key = RBKey->isChecked();
    KeyFile->setEnabled(key);
    BrowseBtn->setEnabled(key);
    MakeKeyBtn->setEnabled(key);
    PublicKey->setEnabled(key);
    CopyBtn->setEnabled(key);
    Password->setEnabled(!key);
}

void LabConnectionForm::showPublicKey()
{
    const QString path = KeyFile->text().trimmed();
    const KeyPairResult r = path.isEmpty() || !QFileInfo(path).isFile() ? KeyPairResult {} : publicKeyOf(path);
    PublicKey->setPlainText(r.ok ? r.publicKey : QString());
}

void LabConnectionForm::BrowseBtnClick()
{
    QFileDialog dialog(this, QStringLiteral("A kulcsfájl kiválasztása"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString current = KeyFile->text().trimmed();
    dialog.setDirectory(current.isEmpty() ? QFileInfo(m_keyPath).absolutePath() : QFileInfo(current).absolutePath());
    finishFileDialog(&dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        KeyFile->setText(dialog.selectedFiles().constFirst());
}

void LabConnectionForm::MakeKeyBtnClick()
{
    // The lab knows the shop by its public key: an existing pair is shown,
    // never replaced.
    KeyPairResult r;
    if (QFileInfo::exists(m_keyPath)) {
        r = publicKeyOf(m_keyPath);
    } else {
        const qint32 shop = PartnerData().UserID;
        r = makeKeyPair(m_keyPath, shop > 0 ? QStringLiteral("pelmar-%1").arg(shop) : QStringLiteral("pelmar"));
    }
    if (!r.ok) {
        MessageBox::error(this, r.error);
        return;
    }
    KeyFile->setText(m_keyPath);
    PublicKey->setPlainText(r.publicKey);
    MessageBox::information(this,
                            QStringLiteral("Az üzlet kulcspárja elkészült:\n\n%1\n\n"
                                           "Küldje el a nyilvános kulcsot (a \"Nyilvános kulcs\" mező "
                                           "szövegét) a labornak; a titkos kulcs ezen a gépen marad.")
                                .arg(QDir::toNativeSeparators(m_keyPath)));
}

void LabConnectionForm::TestBtnClick()
{
    QString problem;
    const auto c = fieldsConnection(&problem);
    if (!c) {
        MessageBox::error(this, problem);
        return;
    }
    if (!m_tester) {
        m_tester = new ConnectionTester(this);
        connect(m_tester, &ConnectionTester::finished, this, &LabConnectionForm::onTested);
    }
    LTestResult->setText(QStringLiteral("Kapcsolódás a szerverhez..."));
    TestBtn->setEnabled(false);
    m_tester->start(*c, c->usePassword ? Password->text() : QString());
}

void LabConnectionForm::onTested(const ConnectionTestResult& result)
{
    TestBtn->setEnabled(true);
    LTestResult->setText(result.message);
    if (result.problem == SftpProblem::HostKeyUnknown && !result.seenHostKey.isEmpty()) {
        const QString question
            = QStringLiteral("A szerver (%1) ezzel az ujjlenyomattal azonosítja magát:\n\n%2\n\n"
                             "Egyezik ez azzal, amelyet a labortól kapott? Csak akkor válaszoljon igennel, "
                             "ha biztosan egyezik; ezután a program csak ennek a szervernek küld.")
                  .arg(Host->text().trimmed(), result.seenHostKey);
        if (MessageBox::confirm(this, question) == MessageAnswer::Yes) {
            HostKey->setText(result.seenHostKey);
            TestBtnClick();
            return;
        }
    }
    emit tested(result);
}

void LabConnectionForm::OKBtnClick()
{
    QString problem;
    const auto c = fieldsConnection(&problem);
    if (!c) {
        MessageBox::error(this, problem);
        return;
    }
    if (!saveLabConnection(*c, m_databasePath)) {
        MessageBox::error(this, QStringLiteral("A kapcsolat adatait nem sikerült a beállítások közé menteni."));
        return;
    }
    if (c->usePassword && !Password->text().isEmpty()) {
        // The keyring answers later; the dialog is gone by then, so the
        // answer goes to the owner window.
        QWidget* owner = parentWidget();
        LabKeychain::write(*c, Password->text(), owner ? static_cast<QObject*>(owner) : qApp,
                           [owner](bool ok, const QString& why) {
                               if (!ok)
                                   MessageBox::information(owner, why);
                           });
    }
    accept();
}

} // namespace pelmar
