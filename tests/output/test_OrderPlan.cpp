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

TEST(OrderPlan, OneRowPerSizeAndOneFolderPerSizeFillAndQuantity)
{
    OrderModel m;
    addLine(m, "/p/a.jpg", "9x13", 120, true, 2);
    addLine(m, "/p/b.JPG", "10x15", 150, true, 1);
    addLine(m, "/p/c", "9x13", 120, true, 2);
    addLine(m, "/p/d.jpg", "9x13", 120, false, 3);
    const OrderPlan plan = PlanOrder(m.lines());
    // Names are numbered by their place in the order, not within a folder.
    EXPECT_EQ(plan.targets,
              QStringList({"9x13-fill-2/kep00001.jpg", "10x15-fill-1/kep00002.JPG", "9x13-fill-2/kep00003",
                           "9x13-fit-3/kep00004.jpg"}));
    EXPECT_EQ(plan.newNames, QStringList({"kep00001", "kep00002", "kep00003", "kep00004"}));
    ASSERT_EQ(plan.sizes.size(), 2);
    EXPECT_EQ(plan.sizes[0].summaryItem(), "9x13|7 db|120 Ft|840 Ft");
    EXPECT_EQ(plan.sizes[0].quantityText(), "7 db");
    EXPECT_EQ(plan.sizes[1].caption, "10x15");
    EXPECT_EQ(plan.picturesTotal, 990);
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

TEST(OrderPlan, OrderFolderPathFromBaseDateAndEnvelopeAndTheDay)
{
    const QDate d(2004, 3, 15);
    EXPECT_EQ(OrderFolderPath("/home/bolt/Rendelések és más/", d, "000123"),
              "/home/bolt/Rendelések és más/Pelmar-20040315-000123/");
    EXPECT_EQ(OrderFolderPath("/r/", d, "12    "), "/r/Pelmar-20040315-12/");
    EXPECT_EQ(OrderFolderPath("/r/", QDate(2026, 12, 9), " 0 "), "/r/Pelmar-20261209-0/");
    EXPECT_EQ(WithSeparator("/a"), "/a/");
    EXPECT_EQ(WithSeparator("/a/"), "/a/");
    EXPECT_TRUE(DocumentsFolder().endsWith('/'));
    // The test clock must hand back to the real one, or every later test
    // would build on a fixed day.
    setOrderTodayForTests(QDate(2004, 3, 15));
    EXPECT_EQ(OrderToday(), QDate(2004, 3, 15));
    setOrderTodayForTests(QDate());
    EXPECT_EQ(OrderToday(), QDate::currentDate());
}
