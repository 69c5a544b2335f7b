#pragma once

#include "ui/preview/PreviewPicture.h"

#include <QDialog>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QPainter;
class QPushButton;
class QFrame;
class QCheckBox;

namespace pelmar {

// a * b / c without overflow, rounded to the nearest integer (halves away
// from zero), as the stretched preview's side is computed.
int MulDiv(int a, int b, int c);

// Where a picture of pictureSize is drawn into box: centred and unscaled when
// it fits; otherwise stretched from the box's top-left corner, the longer
// side of the picture (by its own orientation) filling the box's side. The
// result may reach past the box; the painter clips it.
QRect previewRect(QSize pictureSize, const QRect& box);

// The device pixels a box of this size covers at this device pixel ratio
// (a part of a pixel counts whole): what a picture is decoded for, so that
// at 1.5x or 2x it is not drawn at 1x and scaled up.
QSize devicePixels(QSize logical, qreal ratio);

// A box that another object paints (both preview boxes).
class TPaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);
    std::function<void(QPainter&)> onPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The text shown in a preview box while there is no picture.
inline const QString kNoPreviewText = QStringLiteral("Válasszon ki egy képet!");

// Draws the picture into the box (the box's background, then the picture
// or the empty text; a null picture is drawn as an empty one).
void DrawPreview(QWidget* box, QPainter& painter, PreviewPicture* picture);

// The print a previewed picture is made into: the crop overlay needs it.
struct PreviewPrint
{
    QString size;
    bool fill = true;
};

// The separate, resizable preview window. Closing it only hides it. It shows
// the picture it was handed last; it knows nothing of the main window.
class TPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget* parent, bool showCrop = true);

    QFrame* Panel1 = nullptr;
    QPushButton* CloseBtn = nullptr;
    QCheckBox* CBShowCrop = nullptr;
    TPaintBox* PaintBox = nullptr;

    // The picture to draw (owned by the caller, which keeps it alive while
    // it is set; null draws the empty box) and the print of its line, when
    // exactly one line is shown (the overlay is drawn only then).
    void setPicture(PreviewPicture* picture, const std::optional<PreviewPrint>& print = std::nullopt);
    void setShowCrop(bool show);

    // Shows the window centred over its parent, or brings it to the front
    // when it is already shown.
    void showOverMainForm();

public slots:
    void PaintBoxPaint(QPainter& painter);
    void CloseBtnClick();
    void CBShowCropClick();

signals:
    // The user switched the crop overlay.
    void showCropChanged(bool show);
    // However the window was closed (button, Esc, close box).
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    PreviewPicture* m_picture = nullptr;
    std::optional<PreviewPrint> m_print;
};

} // namespace pelmar
