// The windows of sending an order to the lab, against a real OpenSSH server
// on 127.0.0.1: the connection dialog and its test, the question after a
// build, the sends window following a send to its end.

#include "delivery/SendQueue.h"
#include "tests/support/LocalSshServer.h"
#include "tests/support/widgets/MainFormFixture.h"
#include "ui/delivery/LabConnectionForm.h"
#include "ui/delivery/LabSending.h"
#include "ui/delivery/SendsWindow.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>

using namespace pelmar;
using namespace pelmar::test;

namespace {

void put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class LabSendingTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        server = std::make_unique<LocalSshServer>(dir.file(QStringLiteral("server")));
        if (!server->available())
            GTEST_SKIP() << "no local OpenSSH server: " << server->skipReason().toStdString();
        ASSERT_TRUE(server->start()) << server->log().toStdString();
        connection = *parseSftpUrl(server->url());
        connection.keyFile = server->clientKey();
        connection.hostKey = server->hostKeyFingerprint();
        order = dir.file(QStringLiteral("Rendelesek/Pelmar-20261209-000123"));
        put(order + QStringLiteral("/9x13-fill-2/kep00001.jpg"), QByteArray(300000, 'x'));
        put(order + QStringLiteral("/megrendeles.qrp"), QByteArray(4000, 'q'));
        put(order + QStringLiteral("/megrendeles_osszegezve.qrp"), QByteArray(3000, 's'));
        put(order + QStringLiteral("/megrendeles.txt"), QByteArray("Megrendel\xe9s\r\n"));
    }

    // Fills the dialog's fields from a connection.
    static void type(LabConnectionForm& form, const LabConnection& c)
    {
        form.Host->setText(c.host);
        form.Port->setValue(c.port);
        form.User->setText(c.user);
        form.RemoteFolder->setText(c.remoteFolder);
        form.RBKey->setChecked(true);
        form.KeyFile->setText(c.keyFile);
        form.HostKey->setText(c.hostKey);
    }

    // Runs the dialog's connection test and waits for its answer.
    static ConnectionTestResult test(LabConnectionForm& form)
    {
        QSignalSpy spy(&form, &LabConnectionForm::tested);
        form.TestBtnClick();
        EXPECT_TRUE(spy.wait(20000));
        return spy.isEmpty() ? ConnectionTestResult {} : spy.takeFirst().at(0).value<ConnectionTestResult>();
    }

    std::unique_ptr<LocalSshServer> server;
    LabConnection connection;
    QString order;
};

TEST_F(LabSendingTest, ConnectionDialogRefusesBadFieldsTestsTheServerAndTrustsAKeyOnlyWhenTold)
{
    LabConnectionForm form(nullptr, settingsPath(), dir.file(QStringLiteral("config/labor_ed25519")));
    type(form, connection);
    QString problem;
    for (auto [field, bad] : {std::pair {form.Host, QStringLiteral("")},
                              {form.Host, QStringLiteral("lab/x")},
                              {form.User, QStringLiteral(" ")},
                              {form.HostKey, QStringLiteral("SHA256:abc")}}) {
        const QString good = field->text();
        field->setText(bad);
        EXPECT_FALSE(form.fieldsConnection(&problem)) << bad.toStdString();
        EXPECT_FALSE(problem.isEmpty());
        field->setText(good);
    }

    EXPECT_TRUE(test(form).ok) << form.testResultText().toStdString();

    // No fingerprint given: the server's is shown, and a No keeps it out.
    form.HostKey->clear();
    messages.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(test(form).problem, SftpProblem::HostKeyUnknown);
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_TRUE(messages.shown().last().text.contains(server->hostKeyFingerprint()));
    EXPECT_TRUE(form.HostKey->text().isEmpty());
    // A Yes pins it, and the test goes through with it.
    messages.queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(test(form).ok);
    EXPECT_EQ(form.HostKey->text(), server->hostKeyFingerprint());

    // A key the server does not know, and a port nobody listens on, are
    // told apart in the result.
    form.KeyFile->setText(server->strangerKey());
    EXPECT_EQ(test(form).problem, SftpProblem::PermissionDenied) << form.testResultText().toStdString();
    form.KeyFile->setText(server->clientKey());
    form.Port->setValue(LocalSshServer::freePort());
    EXPECT_EQ(test(form).problem, SftpProblem::Refused) << form.testResultText().toStdString();
    form.Port->setValue(connection.port);

    // OK keeps what the fields say, the pinned key included.
    form.OKBtnClick();
    EXPECT_EQ(loadLabConnection(settingsPath()), connection);
}

TEST_F(LabSendingTest, AfterABuildTheSendIsOfferedOnlyWithAConnectionAndFollowedToTheLab)
{
    openWithPrices();
    LabSending* sending = LabSending::instance();
    ASSERT_TRUE(sending);

    // No connection set up: no question, the disc's offer comes as before.
    EXPECT_FALSE(LabSending::offer(form.get(), order));
    EXPECT_TRUE(messages.shown().isEmpty());

    ASSERT_TRUE(saveLabConnection(connection, settingsPath()));
    messages.queueAnswer(MessageAnswer::No);
    EXPECT_FALSE(LabSending::offer(form.get(), order));
    EXPECT_EQ(messages.texts(), QStringList {LabSending::offerQuestion()});

    messages.queueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(LabSending::offer(form.get(), order));
    SendsWindow* window = sending->showSends();
    const QString name = QFileInfo(order).fileName();
    const QString delivered = sendStateText(SendState::Delivered);
    QTRY_VERIFY_WITH_TIMEOUT(
        window->List->topLevelItemCount() == 1 && window->List->topLevelItem(0)->text(1) == delivered, 30000);
    QTreeWidgetItem* row = window->List->topLevelItem(0);
    EXPECT_EQ(row->text(0), name);
    EXPECT_TRUE(row->text(2).startsWith(byteSizeText(300000 + 4000 + 3000 + 14)));
    EXPECT_EQ(row->text(6), QString());
    EXPECT_TRUE(QFileInfo(server->labFolder() + QLatin1Char('/') + name + QStringLiteral("/megrendeles.txt")).isFile());
    EXPECT_TRUE(sending->statusText().isEmpty());

    // A finished send can go again or leave the list; not be paused.
    window->selectOrder(row->data(0, Qt::UserRole + 1).toLongLong());
    EXPECT_TRUE(window->RetryBtn->isEnabled() && window->RemoveBtn->isEnabled());
    EXPECT_FALSE(window->PauseBtn->isEnabled() || window->CancelBtn->isEnabled());
    window->RemoveBtn->click();
    QTRY_COMPARE_WITH_TIMEOUT(window->List->topLevelItemCount(), 0, 5000);
}

TEST(SendTexts, SizesRatesAndTimesReadAsHungarian)
{
    EXPECT_EQ(byteSizeText(1023), QStringLiteral("1023 bájt"));
    EXPECT_EQ(byteSizeText(1536), QStringLiteral("1,5 kB"));
    EXPECT_EQ(byteSizeText(20LL * 1024 * 1024), QStringLiteral("20 MB"));
    EXPECT_EQ(rateText(0), QString());
    EXPECT_EQ(timeLeftText(-1), QString());
    EXPECT_EQ(timeLeftText(59), QStringLiteral("59 mp"));
    EXPECT_EQ(timeLeftText(200), QStringLiteral("3 perc 20 mp"));
    EXPECT_EQ(timeLeftText(3600 + 290), QStringLiteral("1 óra 5 perc"));

    SendItem a;
    a.name = QStringLiteral("Pelmar-1");
    a.state = SendState::Queued;
    SendItem b = a;
    b.state = SendState::Sending;
    b.bytesSent = 50;
    b.bytesTotal = 200;
    b.secondsLeft = 30;
    EXPECT_EQ(sendStatusText({a}), QStringLiteral("Küldésre vár: 1 megrendelés"));
    EXPECT_EQ(sendStatusText({a, b}), QStringLiteral("Küldés a laborba: Pelmar-1, 25%, még 30 mp"));
    a.state = SendState::Delivered;
    EXPECT_EQ(sendStatusText({a}), QString());
}

} // namespace
