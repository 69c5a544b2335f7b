#include "ui/preview/PreviewForm.h"

#include "ui/preview/CropPainter.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace pelmar {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = qint64(a) * qint64(b);
    const bool negative = (product < 0) != (c < 0);
    const qint64 n = product < 0 ? -product : product;
    const qint64 d = c < 0 ? -qint64(c) : qint64(c);
    const qint64 q = (n + d / 2) / d;
    return int(negative ? -q : q);
}

QRect previewRect(QSize picture, const QRect& box)
{
    const int rw = box.width();
    const int rh = box.height();
    const int w = picture.width();
    const int h = picture.height();
    if (w <= rw && h <= rh)
        return QRect(box.left() + (rw - w) / 2, box.top() + (rh - h) / 2, w, h);
    // The picture's own orientation decides which side fills the box.
    if (w > h)
        return QRect(box.left(), box.top(), rw, MulDiv(h, rw, w));
    return QRect(box.left(), box.top(), MulDiv(w, rh, h), rh);
}

QSize devicePixels(QSize logical, qreal ratio)
{
    if (!(ratio > 1.0))
        return logical;
    return QSize(int(std::ceil(logical.width() * ratio - 1e-6)), int(std::ceil(logical.height() * ratio - 1e-6)));
}

// ---------------------------------------------------------------------------

TPaintBox::TPaintBox(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (onPaint)
        onPaint(painter);
    else
        painter.fillRect(rect(), palette().color(QPalette::Window));
}

void DrawPreview(QWidget* box, QPainter& painter, PreviewPicture* picture)
{
    const QRect r = box->rect();
    const QColor fill = box->palette().color(QPalette::Window);
    painter.fillRect(r, fill);
    // The best picture decoded so far; a finer one for this box, in the
    // device pixels it is drawn on, is asked for, never waited for.
    const QImage image
        = picture ? picture->imageFor(devicePixels(r.size(), painter.device()->devicePixelRatio())) : QImage();
    if (image.isNull() || picture->isEmpty()) {
        const QFontMetrics fm(painter.font());
        const int tw = fm.horizontalAdvance(kNoPreviewText);
        const int th = fm.height();
        painter.setPen(box->palette().color(QPalette::WindowText));
        painter.drawText(QPoint(r.left() + (r.width() - tw) / 2, r.top() + (r.height() - th) / 2 + fm.ascent()),
                         kNoPreviewText);
        return;
    }
    // Placed by the upright picture's size, whatever scale it was decoded at.
    painter.setClipRect(r);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(previewRect(picture->size(), r), image);
}

// ---------------------------------------------------------------------------

TPreviewForm::TPreviewForm(QWidget* parent, bool showCrop)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Kép előnézete"));
    setModal(false);
    setSizeGripEnabled(true);
    resize(648, 547);
    setMinimumWidth(208);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* strip = new QHBoxLayout(Panel1);
    strip->setContentsMargins(8, 4, 8, 4);
    CBShowCrop = new QCheckBox(QStringLiteral("Vágás mutatása"), Panel1);
    CBShowCrop->setObjectName(QStringLiteral("CBShowCrop"));
    CBShowCrop->setChecked(showCrop);
    // Not a default button's target: Enter still closes the window.
    CBShowCrop->setFocusPolicy(Qt::TabFocus);
    strip->addWidget(CBShowCrop);
    strip->addStretch();
    CloseBtn = new QPushButton(QStringLiteral("Bezár"), Panel1);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    // Default and cancel button at once: Enter and Esc both close.
    CloseBtn->setDefault(true);
    CloseBtn->setAutoDefault(true);
    strip->addWidget(CloseBtn);
    layout->addWidget(Panel1);
    PaintBox = new TPaintBox(this);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->onPaint = [this](QPainter& painter) { PaintBoxPaint(painter); };
    layout->addWidget(PaintBox, 1);

    connect(CloseBtn, &QPushButton::clicked, this, &TPreviewForm::CloseBtnClick);
    connect(CBShowCrop, &QCheckBox::clicked, this, &TPreviewForm::CBShowCropClick);
}

void TPreviewForm::setPicture(PreviewPicture* picture, const std::optional<PreviewPrint>& print)
{
    m_picture = picture;
    m_print = print;
    if (isVisible())
        PaintBox->update();
}

void TPreviewForm::setShowCrop(bool show)
{
    CBShowCrop->setChecked(show);
    PaintBox->update();
}

void TPreviewForm::showOverMainForm()
{
    if (!isVisible()) {
        show();
        // Centred by the real frame, known only once the window is shown.
        if (QWidget* owner = parentWidget()) {
            QRect frame = frameGeometry();
            frame.moveCenter(owner->frameGeometry().center());
            move(frame.topLeft());
        }
    }
    raise();
    activateWindow();
}

void TPreviewForm::PaintBoxPaint(QPainter& painter)
{
    DrawPreview(PaintBox, painter, m_picture);
    if (!CBShowCrop->isChecked() || !m_picture || m_picture->isEmpty() || !m_print)
        return;
    // The print's size and fill mode say what it does with the picture as it
    // was taken (upright).
    DrawCropOverlay(painter, previewRect(m_picture->size(), PaintBox->rect()), m_print->size, m_print->fill,
                    PaintBox->rect());
}

void TPreviewForm::CBShowCropClick()
{
    emit showCropChanged(CBShowCrop->isChecked());
    PaintBox->update();
}

void TPreviewForm::CloseBtnClick()
{
    hide();
}

void TPreviewForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // The small box takes over again.
    emit hidden();
}

} // namespace pelmar
