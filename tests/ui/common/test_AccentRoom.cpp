#include "ui/common/AccentRoom.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace pelmar;

namespace {

// Dark pixels of a label drawn at the size it asks for.
int inkOf(QLabel& label, QSize size)
{
    label.resize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 160;
    return ink;
}

} // namespace

// A label as tall as it asks to be shows the whole of "Ö" and "Ő": as much
// ink as the same label given plenty of room (which would show what its top
// edge cuts away). Faces and sizes as the program's windows use them.
TEST(AccentRoom, CapitalAccentsAreDrawnWholeAtTheTopOfALabel)
{
    struct Face
    {
        const char* family;
        int points;
        bool bold;
    };
    for (const Face& f : {Face {"Liberation Sans", 8, false}, Face {"DejaVu Sans", 9, false},
                          Face {"Liberation Sans", 12, true}, Face {"Tahoma", 8, false}}) {
        SCOPED_TRACE(f.family + std::to_string(f.points));
        QFont font(QString::fromLatin1(f.family), f.points);
        font.setBold(f.bold);
        QLabel label(QStringLiteral("Önnek Ő Űr"));
        label.setFont(font);
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QPalette black = label.palette();
        black.setColor(QPalette::WindowText, Qt::black);
        label.setPalette(black);
        makeRoomForAccents(&label);
        makeRoomForAccents(&label); // a second call adds nothing
        const QSize asked = label.sizeHint();
        QLabel roomy(label.text());
        roomy.setFont(font);
        roomy.setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        roomy.setPalette(black);
        const int whole = inkOf(roomy, asked + QSize(0, 20));
        EXPECT_GT(whole, 0);
        EXPECT_EQ(inkOf(label, asked), whole);
    }

    // A picture label and a label of a fixed height keep their geometry.
    QLabel picture;
    picture.setPixmap(QPixmap(17, 17));
    QLabel fixed(QStringLiteral("Ö"));
    fixed.setFixedSize(17, 17);
    makeRoomForAccents(&picture);
    makeRoomForAccents(&fixed);
    EXPECT_EQ(picture.contentsMargins(), QMargins());
    EXPECT_EQ(fixed.contentsMargins(), QMargins());
}
