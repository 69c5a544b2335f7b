#pragma once

#include <QDialog>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

class QPainter;
class QPushButton;
class QFrame;
class QCheckBox;

namespace pelmar {

class MainForm;

// a * b / c without overflow, rounded to the nearest integer (halves away
// from zero), as the stretched preview's side is computed.
int MulDiv(int a, int b, int c);

// Where a picture of pictureSize is drawn into box: centred and unscaled when
// it fits; otherwise stretched from the box's top-left corner, the longer
// side of the picture (by its own orientation) filling the box's side. The
// result may reach past the box; the painter clips it.
QRect previewRect(QSize pictureSize, const QRect& box);

// The picture of the one selected JPEG line. Loading reads only the header,
// so the true width and height are known at once; the pixels are decoded
// when the picture is drawn, at the smallest DCT scale that covers the
// rectangle it is drawn into, and kept until a larger one is needed.
class PreviewPicture
{
public:
    // Empties the picture first. False when the file has vanished or its
    // header cannot be read; the picture then stays empty.
    bool load(const QString& path);
    void clear();

    bool isEmpty() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }
    const QString& path() const { return m_path; }

    // The decoded picture, large enough to cover target. When decoding
    // fails (the file vanished or is damaged beyond reading) the picture is
    // emptied and a null image returned.
    QImage imageCovering(QSize target);

    // For tests and the benchmark: how often pixels were decoded and at
    // which scale the cached picture is.
    int decodeCount() const { return m_decodes; }
    int denominator() const { return m_denominator; }

private:
    QString m_path;
    QSize m_size;
    QImage m_image;
    int m_denominator = 0;
    int m_decodes = 0;
};

// A box that another object paints (both preview boxes).
class TPaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);
    std::function<void(QPainter&)> onPaint;
    int paintCount() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_paints = 0;
};

// The text shown in a preview box while there is no picture.
inline const QString kNoPreviewText = QStringLiteral("Válasszon ki egy képet!");

// Draws the picture into the box (the box's background, then the picture
// or the empty text).
void DrawPreview(QWidget* box, QPainter& painter, PreviewPicture& picture);

// The separate, resizable preview window. Closing it only hides it.
class TPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPreviewForm(MainForm* mainForm);

    QFrame* Panel1 = nullptr;
    QPushButton* CloseBtn = nullptr;
    QCheckBox* CBShowCrop = nullptr;
    TPaintBox* PaintBox = nullptr;

    // Shows the window centred over the main window, or brings it to the
    // front when it is already shown.
    void showOverMainForm();

public slots:
    void PaintBoxPaint(QPainter& painter);
    void CloseBtnClick();
    void CBShowCropClick();
    void FormClose();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    MainForm* m_main;
};

} // namespace pelmar
