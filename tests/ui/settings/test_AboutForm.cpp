#include "tests/support/widgets/DialogTestUtil.h"

#include "platform/LabInfo.h"
#include "ui/settings/AboutForm.h"

#include <QPushButton>
#include <gtest/gtest.h>

using namespace pelmar;

TEST(AboutForm, NameVersionNoticeAndLink)
{
    TAboutForm f(nullptr);
    test::showActive(&f);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Névjegy"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Pelmar digitális fotórendelés v1.1"));
    EXPECT_TRUE(f.Label1->font().bold());
    EXPECT_FALSE(f.Label2->text().isEmpty());
    EXPECT_EQ(f.Label3->text(), QStringLiteral("http://www.pelmar.hu/"));
    // The link opens its site (through the main window's About: in
    // test_AboutAndLinks); it looks like a link.
    EXPECT_EQ(f.Label3->hint(), LabInfo::homeUrl());
    EXPECT_TRUE(f.Label3->toolTip().isEmpty());
    EXPECT_TRUE(f.Label3->font().underline());
    EXPECT_EQ(f.Label3->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f.Label3->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(f.Image1->pixmap().size(), QSize(32, 32));
    f.accept();
}

TEST(AboutForm, EnterAndEscBothClose)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        TAboutForm f(nullptr);
        test::showActive(&f);
        QTest::keyClick(f.OKBtn, key);
        EXPECT_FALSE(f.isVisible()) << key;
    }
}
