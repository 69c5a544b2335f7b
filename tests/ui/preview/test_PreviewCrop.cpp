#include "tests/support/widgets/MainFormFixture.h"
#include "ui/preview/PreviewForm.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace pelmar;
using namespace pelmar::test;

namespace {

class PreviewCrop : public MainFormTest
{
protected:
    // The preview window's box as the user sees it, once the decode for its
    // scale is in.
    QImage shot(TPreviewForm& preview)
    {
        preview.PaintBox->repaint();
        settledPreview();
        preview.PaintBox->update();
        QTest::qWait(1);
        return preview.PaintBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace

TEST_F(PreviewCrop, FillGreysTheCutBandsFitAddsBordersAndTheBoxTurnsItOff)
{
    openWithPrices(); // 9x13 selected: 13/9 proportions
    TPreviewForm preview(form.get(), form->showCrop());
    form->setPreviewForm(&preview);
    ASSERT_NE(preview.CBShowCrop, nullptr);
    EXPECT_EQ(preview.CBShowCrop->text(), QStringLiteral("Vágás mutatása"));
    EXPECT_TRUE(preview.CBShowCrop->isChecked());
    add({jpeg("land.jpg", 400, 300)}); // 4:3, fits the box unscaled, centred
    ASSERT_EQ(lines(), 1);
    form->PreviewImgBtnClick();
    ASSERT_TRUE(preview.isVisible());

    const QRect box = preview.PaintBox->rect();
    const QRect pic((box.width() - 400) / 2, (box.height() - 300) / 2, 400, 300);
    const QPoint topBand(pic.center().x(), pic.top() + 3);
    const QPoint middle = pic.center();
    const QPoint leftOfPicture(pic.left() - 5, pic.center().y());

    const QImage withCrop = shot(preview);
    preview.CBShowCrop->click();
    EXPECT_FALSE(form->showCrop());
    const QImage plain = shot(preview);
    // Fill: the top band will be cut off, so it is pulled toward the grey of
    // the overlay; the middle is untouched.
    auto distanceToGrey
        = [](QRgb c) { return std::abs(qRed(c) - 60) + std::abs(qGreen(c) - 60) + std::abs(qBlue(c) - 60); };
    EXPECT_NE(withCrop.pixel(topBand), plain.pixel(topBand));
    EXPECT_LT(distanceToGrey(withCrop.pixel(topBand)), distanceToGrey(plain.pixel(topBand)) / 2);
    EXPECT_EQ(withCrop.pixel(middle), plain.pixel(middle));

    // Fit: no band is greyed; white borders appear beside the picture.
    preview.CBShowCrop->click();
    RBFit(*form)->setChecked(true);
    form->ModSelBtnClick();
    ASSERT_EQ(line(0).fill(), "fit");
    const QImage fit = shot(preview);
    EXPECT_EQ(fit.pixel(topBand), plain.pixel(topBand));
    EXPECT_EQ(fit.pixel(leftOfPicture), qRgb(255, 255, 255));
    EXPECT_NE(plain.pixel(leftOfPicture), qRgb(255, 255, 255));
}

TEST_F(PreviewCrop, NoOverlayForSizesWithoutProportionsOrWithoutOneSelectedLine)
{
    storePrices({"Poszter|900|1x1|100x150", kPrice9x13});
    openForm();
    TPreviewForm preview(form.get(), form->showCrop());
    form->setPreviewForm(&preview);
    add({jpeg("p.jpg", 400, 300)});
    form->PreviewImgBtnClick();
    const QImage on = shot(preview);
    preview.CBShowCrop->click();
    const QImage off = shot(preview);
    EXPECT_EQ(on, off);
}

TEST_F(PreviewCrop, ChoiceIsRememberedInTheSettings)
{
    openWithPrices();
    {
        TPreviewForm preview(form.get(), form->showCrop());
        form->setPreviewForm(&preview);
        preview.CBShowCrop->click();
    }
    form->FormDestroy();
    form.reset();
    {
        SettingsStore store(settingsPath());
        ASSERT_TRUE(store.openKey(kSettingsRootKey, false));
        EXPECT_EQ(store.readBool("ShowCrop"), std::optional<bool>(false));
    }
    openForm();
    EXPECT_FALSE(form->showCrop());
    TPreviewForm preview(form.get(), form->showCrop());
    form->setPreviewForm(&preview);
    EXPECT_FALSE(preview.CBShowCrop->isChecked());
}
