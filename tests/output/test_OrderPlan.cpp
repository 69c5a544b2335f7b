#include "core/AppError.h"
#include "output/OrderNames.h"
#include "tests/output/OrderFixtures.h"

#include <gtest/gtest.h>

using namespace pelmar;
using namespace pelmar::test;

TEST(OrderPlan, NamesAndExtensions)
{
    EXPECT_EQ(NewPictureName(1), "kep00001");
    EXPECT_EQ(NewPictureName(99999), "kep99999");
    EXPECT_EQ(NewPictureName(100000), "kep100000");
    EXPECT_EQ(ExtensionOf("/a/IMG_0001.JPG"), ".JPG");
    EXPECT_EQ(ExtensionOf("/a/b.c/noext"), "");
    EXPECT_EQ(ExtensionOf("/a/x.tar.Gz"), ".Gz");
    EXPECT_EQ(ExtensionOf("/a/.hidden"), ".hidden");
    EXPECT_EQ(ExtensionOf("/a/end."), ".");
}

TEST(OrderPlan, SameSizeDifferentFillGivesOneRowAndTwoFolders)
{
    OrderModel m;
    addLine(m, "/p/a.jpg", "9x13", 120, true, 2);
    addLine(m, "/p/b.jpg", "9x13", 120, false, 3);
    const OrderPlan plan = PlanOrder(m.lines());
    ASSERT_EQ(plan.sizes.size(), 1);
    EXPECT_EQ(plan.sizes[0].quantity, 5);
    EXPECT_EQ(plan.sizes[0].summaryItem(), "9x13|5 db|120 Ft|600 Ft");
    EXPECT_EQ(plan.targets, QStringList({"9x13-fill-2/kep00001.jpg", "9x13-fit-3/kep00002.jpg"}));
    EXPECT_EQ(plan.picturesTotal, 600);
}

TEST(OrderPlan, SameSizeFillAndQuantityShareAFolderWithNumbersOfTheirPlaces)
{
    OrderModel m;
    addLine(m, "/p/a.jpg", "9x13", 120, true, 2);
    addLine(m, "/p/b.JPG", "10x15", 150, true, 1);
    addLine(m, "/p/c", "9x13", 120, true, 2);
    const OrderPlan plan = PlanOrder(m.lines());
    EXPECT_EQ(plan.targets,
              QStringList({"9x13-fill-2/kep00001.jpg", "10x15-fill-1/kep00002.JPG", "9x13-fill-2/kep00003"}));
    EXPECT_EQ(plan.newNames, QStringList({"kep00001", "kep00002", "kep00003"}));
    ASSERT_EQ(plan.sizes.size(), 2);
    EXPECT_EQ(plan.sizes[0].caption, "9x13");
    EXPECT_EQ(plan.sizes[0].quantityText(), "4 db");
    EXPECT_EQ(plan.sizes[1].caption, "10x15");
}

TEST(OrderPlan, SizesMatchIgnoringCaseAndUseTheFirstLinesPriceAndCaption)
{
    OrderModel m;
    addLine(m, "/p/a.jpg", "9X13", 100, true, 1);
    addLine(m, "/p/b.jpg", "9x13", 999, true, 2);
    const OrderPlan plan = PlanOrder(m.lines());
    ASSERT_EQ(plan.sizes.size(), 1);
    EXPECT_EQ(plan.sizes[0].caption, "9X13");
    EXPECT_EQ(plan.sizes[0].unitPrice, 100);
    EXPECT_EQ(plan.sizes[0].grossText(), "300 Ft");
    // The target keeps each line's own size text.
    EXPECT_EQ(plan.targets[1], "9x13-fill-2/kep00002.jpg");
}

TEST(OrderPlan, LargeAmountsDoNotWrap)
{
    OrderModel m;
    addLine(m, "/p/a.jpg", "A0", 2000000000, true, 1000);
    const OrderPlan plan = PlanOrder(m.lines());
    EXPECT_EQ(plan.picturesTotal, 2000000000000LL);
    EXPECT_EQ(plan.sizes[0].grossText(), "2000000000000 Ft");
}

TEST(OrderPlan, BrokenQuantityTextFailsWithTheStrictConversion)
{
    OrderLine l = makeLine("/p/a.jpg", "9x13", 120, true, 1);
    l.SubItems[SubQuantity] = "x";
    EXPECT_THROW(PlanOrder({l}), AppError);
    EXPECT_TRUE(PlanOrder({}).sizes.isEmpty());
}

TEST(OrderPlan, OrderFolderPathFromBaseDateAndEnvelope)
{
    const QDate d(2004, 3, 15);
    EXPECT_EQ(OrderFolderPath("/home/bolt/Rendelések és más/", d, "000123"),
              "/home/bolt/Rendelések és más/Pelmar-20040315-000123/");
    EXPECT_EQ(OrderFolderPath("/r/", d, "12    "), "/r/Pelmar-20040315-12/");
    EXPECT_EQ(OrderFolderPath("/r/", QDate(2026, 12, 9), " 0 "), "/r/Pelmar-20261209-0/");
    EXPECT_EQ(WithSeparator("/a"), "/a/");
    EXPECT_EQ(WithSeparator("/a/"), "/a/");
    EXPECT_TRUE(DocumentsFolder().endsWith('/'));
}

TEST(OrderPlan, ClockCanBeSetByTests)
{
    setOrderTodayForTests(QDate(2004, 3, 15));
    EXPECT_EQ(OrderToday(), QDate(2004, 3, 15));
    setOrderTodayForTests(QDate());
    EXPECT_EQ(OrderToday(), QDate::currentDate());
}
