#include "tests/support/widgets/MainFormFixture.h"

#include "ui/common/HeadingStrip.h"

#include <QLabel>
#include <QStyle>
#include <QStyleFactory>

using namespace pelmar;
using namespace pelmar::test;

// The "Előnézet" heading as drawn stands out at 4.5:1 in a light and a dark
// palette, on a grey that follows the palette; the red total keeps its red
// on a light window, as it always stood, and is lightened on a dark one,
// also when the palette changes while the window is open.
TEST_F(MainFormTest, HeadingAndRedTotalStandOutInALightAndADarkPalette)
{
    openWithPrices();
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const auto* total = form->findChild<QLabel*>(QStringLiteral("SumPrice"));
    QList<QColor> grounds;
    for (const QPalette& palette :
         {fusion->standardPalette(), QPalette(QColor(0x35, 0x38, 0x3c), QColor(0x2a, 0x2d, 0x30))}) {
        form->setPalette(palette);
        const QImage shot = form->findChild<QWidget*>(QStringLiteral("Panel7"))->grab().toImage();
        grounds << shot.pixelColor(1, 1);
        double best = 1;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                best = std::max(best, contrastRatio(shot.pixelColor(x, y), grounds.last()));
        EXPECT_GE(best, HeadingStrip::kMinContrast) << grounds.last().name().toStdString();

        const QColor text = total->palette().color(QPalette::WindowText);
        const QColor ground = total->palette().color(QPalette::Window);
        if (relativeLuminance(ground) > 0.5) {
            EXPECT_EQ(text, QColor(Qt::red));
        } else {
            EXPECT_NE(text, QColor(Qt::red));
            EXPECT_GE(contrastRatio(text, ground), HeadingStrip::kMinContrast) << text.name().toStdString();
        }
        EXPECT_EQ(text.hue(), 0) << text.name().toStdString();
    }
    EXPECT_NE(grounds[0], grounds[1]);
}
