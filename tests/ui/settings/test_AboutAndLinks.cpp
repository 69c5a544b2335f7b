#include "tests/support/widgets/DialogTestUtil.h"
#include "tests/support/widgets/ModalScript.h"

#include "core/UserData.h"
#include "platform/LabInfo.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/VersionCheck.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/widgets/MainFormParts.h"
#include "ui/common/MessageBox.h"
#include "ui/help/Help.h"
#include "ui/main/MainForm.h"
#include "ui/settings/AboutForm.h"
#include "ui/settings/UserDataForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

using namespace pelmar;
using namespace pelmar::test;
using pelmar::test::LocalHttpServer;
using pelmar::test::ModalScript;

namespace {

class MainWindowServices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PartnerData() = TUserData {};
        m_db = m_dir.file(QStringLiteral("settings.sqlite"));
        SettingsStore store(m_db);
        store.openKey(kSettingsRootKey, true);
        store.writeBool(QStringLiteral("WelcomeScreen"), false);
        store.closeKey();
        Shell::setOpenHandler([this](const QString& t) { opened.append(t); });
        Help::setRequestObserver([this](const QString& t) { help.append(t); });
        window = std::make_unique<MainForm>(nullptr, m_db);
        test::showActive(window.get());
    }
    void TearDown() override
    {
        window.reset();
        Shell::setOpenHandler({});
        Help::setRequestObserver({});
        VersionCheck::setTarget({});
        PartnerData() = TUserData {};
    }

    test::TempDir m_dir;
    QString m_db;
    std::unique_ptr<MainForm> window;
    QStringList opened;
    QStringList help;
    ScriptedMessages messages;
};

} // namespace

TEST_F(MainWindowServices, WebLinksOpenTheBrowserOnceEach)
{
    miJumpPelmar(*window)->trigger();
    EXPECT_EQ(opened, QStringList {LabInfo::homeUrl()});
    miJumpDigi(*window)->trigger();
    EXPECT_EQ(opened.last(), LabInfo::digitalUrl());
    QTest::mouseClick(PelmarLogo(*window), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList({LabInfo::homeUrl(), LabInfo::digitalUrl(), LabInfo::homeUrl()}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(MainWindowServices, HelpMenuOpensContentsAndWhatsNewInTheBuiltFile)
{
    Contents(*window)->trigger();
    miWhatsNew(*window)->trigger();
    EXPECT_EQ(help, QStringList({QString(), QStringLiteral("whatsnew.html")}));
    EXPECT_EQ(Help::helpFile(), window->helpFile());
    EXPECT_TRUE(window->helpFile().endsWith(QStringLiteral("/pelmarorder.chm")));
}

TEST_F(MainWindowServices, AboutBoxLinkKeepsTheBoxOpen)
{
    ModalScript script;
    script.then([](QWidget* d) {
        auto* about = qobject_cast<TAboutForm*>(d);
        ASSERT_NE(about, nullptr);
        QTest::mouseClick(about->Label3, Qt::LeftButton);
        EXPECT_TRUE(about->isVisible());
        about->OKBtn->click();
    });
    About(*window)->trigger();
    EXPECT_EQ(script.seen(), QStringList {QStringLiteral("pelmar::TAboutForm")});
    EXPECT_EQ(opened, QStringList {LabInfo::homeUrl()});
}

TEST_F(MainWindowServices, PartnerDataFromTheMenuHasCancelAndWritesTheStore)
{
    PartnerData().UserID = 5;
    PartnerData().UserName = QStringLiteral("Régi");
    ModalScript script;
    script.then([](QWidget* d) {
        auto* f = qobject_cast<TUserDataForm*>(d);
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->CancelBtn->isEnabled());
        f->UserName->setText(QString());
        f->CancelBtn->click();
    });
    UserData(*window)->trigger();
    EXPECT_EQ(script.seen(), QStringList {QStringLiteral("pelmar::TUserDataForm")});
    EXPECT_EQ(PartnerData().UserName, QStringLiteral("Régi"));
    TUserData stored;
    loadPartnerData(stored, m_db);
    EXPECT_EQ(stored.UserID, 5);
    EXPECT_EQ(stored.UserName, QStringLiteral("Régi"));
}

TEST_F(MainWindowServices, VersionCheckFromTheMenu)
{
    const QString before = QStringLiteral("Valami szöveg");
    window->setStatusText(before);
    {
        LocalHttpServer server([](const QByteArray&) { return LocalHttpServer::reply("HTTP/1.1 200 OK", "1.11"); });
        VersionCheck::setTarget(server.url(QStringLiteral("/pelmarorderver.txt")));
        miCheckVersion(*window)->trigger();
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown().first().kind, MessageKind::Information);
        EXPECT_EQ(messages.shown().first().text, VersionCheck::newVersionText());
        EXPECT_EQ(window->statusText(), before);
        ASSERT_EQ(server.requests().size(), 1);
        EXPECT_TRUE(server.requests().first().startsWith("GET /pelmarorderver.txt HTTP/1.1"));
    }
    messages.clear();
    {
        LocalHttpServer server([](const QByteArray&) { return LocalHttpServer::reply("HTTP/1.1 404 Not Found", "x"); });
        VersionCheck::setTarget(server.url(QStringLiteral("/pelmarorderver.txt")));
        miCheckVersion(*window)->trigger();
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown().first().kind, MessageKind::GeneralError);
        EXPECT_EQ(messages.shown().first().text, QStringLiteral("HTTP/1.1 404 Not Found."));
        EXPECT_EQ(window->statusText(), before);
    }
}
