#include "tests/support/widgets/DialogTestUtil.h"

#include "platform/LabInfo.h"
#include "ui/help/Help.h"
#include "ui/settings/WelcomeForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pelmar;

TEST(WelcomeForm, TextsCheckBoxesAndTabOrder)
{
    TWelcomeForm f(nullptr);
    test::showActive(&f);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Üdvözöljük"));
    EXPECT_EQ(f.Label7->text(), QStringLiteral("Üdvözöljük!"));
    EXPECT_TRUE(f.Label7->font().bold());
    EXPECT_GT(f.Label7->font().pointSizeF(), f.Label4->font().pointSizeF());
    const QStringList lines = f.Label8->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0],
              QStringLiteral("A Pelmar képrendelő programja lehetőséget nyújt Önnek, hogy gyorsan és "
                             "könnyen elkészíthesse képrendelését."));
    EXPECT_EQ(lines[1],
              QStringLiteral("A program segítségével összeállított digitális fotórendelést írja ki egy CD "
                             "lemezre és juttassa el áruházunk címére:"));
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_EQ(lines[3], QString::fromUtf8(LabInfo::kLabName));
    EXPECT_EQ(lines[4], QString::fromUtf8(LabInfo::kLabAddress));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Fontos!"));
    EXPECT_TRUE(f.Label1->font().bold());
    EXPECT_TRUE(f.Label2->text().endsWith(QStringLiteral("az \"Árlista\" ablakban klikkeljen a Súgó gombra.")));
    EXPECT_EQ(f.Label3->text(),
              QStringLiteral("Ahhoz, hogy megrendelését fel tudjuk dolgozni, adja meg üzletszámát és adatait."));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("Megrendelését előre is köszönjük!"));
    EXPECT_EQ(f.CBUpdateArlist->text(), QStringLiteral("Árak szerkesztése most!"));
    EXPECT_EQ(f.CBUserData->text(), QStringLiteral("Adatok megadása most!"));
    EXPECT_EQ(f.CBHide->text(), QStringLiteral("Ne mutassa többé ezt az ablakot"));
    for (QCheckBox* box : {f.CBUpdateArlist, f.CBUserData, f.CBHide})
        EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(f.OKBtn->isDefault());
    EXPECT_EQ(QApplication::focusWidget(), f.OKBtn);
    const QList<QWidget*> order = {f.CBUpdateArlist, f.CBUserData, f.CBHide, f.OKBtn};
    EXPECT_EQ(test::tabChain(f.CBUpdateArlist), order);
    f.accept();
}

TEST(WelcomeForm, EscDoesNothingF1OpensFirstRunAndCloseBoxKeepsTheBoxes)
{
    QStringList topics;
    Help::setRequestObserver([&](const QString& t) { topics.append(t); });
    TWelcomeForm f(nullptr);
    test::showActive(&f);
    QTest::keyClick(f.OKBtn, Qt::Key_Escape);
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_TRUE(f.isVisible());
    QTest::keyClick(f.CBHide, Qt::Key_F1);
    EXPECT_TRUE(f.isVisible());
    Help::setRequestObserver({});
    EXPECT_EQ(topics, QStringList {QStringLiteral("firstrun.html")});

    f.CBHide->setChecked(true);
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(f.CBHide->isChecked());

    TWelcomeForm g(nullptr);
    test::showActive(&g);
    QTest::keyClick(g.OKBtn, Qt::Key_Return);
    EXPECT_FALSE(g.isVisible());
    EXPECT_EQ(g.result(), QDialog::Accepted);
}
