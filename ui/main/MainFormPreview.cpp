// The main window's preview: the small box beside the list, the preview
// window it hands the selected picture to, the neighbours decoded ahead and
// the thumbnails.
#include "ui/main/MainForm.h"
#include "ui/main/PictureThumbnails.h"
#include "ui/preview/PreviewForm.h"

#include <QAction>
#include <QCheckBox>
#include <QPainter>
#include <optional>

namespace pelmar {

void MainForm::repaintPreview()
{
    if (m_previewForm && m_previewForm->isVisible())
        m_previewForm->PaintBox->update();
    else
        PaintBox->update();
}

void MainForm::PaintBoxPaint(QPainter& painter)
{
    painter.fillRect(PaintBox->rect(), PaintBox->palette().color(QPalette::Window));
    if (!CBShowPreview->isChecked())
        return;
    // While the preview window is open it shows the picture; this box stays
    // blank.
    if (m_previewForm && m_previewForm->isVisible())
        return;
    DrawPreview(PaintBox, painter, &m_previewPicture);
}

void MainForm::CBShowPreviewClick()
{
    PaintBox->update();
}

QSize MainForm::shownBoxSize() const
{
    const QWidget* box = m_previewForm && m_previewForm->isVisible() ? m_previewForm->PaintBox : PaintBox;
    return devicePixels(box->size(), box->devicePixelRatio());
}

void MainForm::decodeNeighbours(int row)
{
    // The neighbours of a former selection are of no use now.
    m_decoder.dropQueued(PictureDecoder::Ahead);
    for (int r : {row + 1, row - 1}) {
        if (r >= 0 && r < m_order.lineCount() && m_order.line(r).resolution() != u"Ismeretlen")
            m_decoder.request(m_order.line(r).path(), devicePixels(PaintBox->size(), PaintBox->devicePixelRatio()),
                              PictureDecoder::Ahead);
    }
}

void MainForm::miThumbnailsClick()
{
    m_thumbnails->setShown(miThumbnails->isChecked());
}

void MainForm::PreviewImgBtnClick()
{
    if (!m_previewForm)
        setPreviewForm(new TPreviewForm(this, m_settings.showCrop));
    m_previewForm->showOverMainForm();
    PaintBox->update();
}

void MainForm::setPreviewForm(TPreviewForm* form)
{
    m_previewForm = form;
    if (!form)
        return;
    form->setShowCrop(m_settings.showCrop);
    connect(form, &TPreviewForm::showCropChanged, this, [this](bool show) { m_settings.showCrop = show; });
    connect(form, &TPreviewForm::hidden, PaintBox, qOverload<>(&QWidget::update));
    pushPreview();
}

void MainForm::pushPreview()
{
    if (!m_previewForm)
        return;
    std::optional<PreviewPrint> print;
    const QList<int> rows = selectedRows();
    if (rows.size() == 1 && rows.front() < m_order.lineCount()) {
        const OrderLine& line = m_order.line(rows.front());
        print = PreviewPrint {line.size(), line.fills()};
    }
    m_previewForm->setPicture(&m_previewPicture, print);
}

} // namespace pelmar
