#include "ui/main/OpenPictureDialog.h"

#include "core/DroppedFiles.h"
#include "platform/JpegDecode.h"
#include "ui/common/FileDialogLook.h"
#include "ui/help/Help.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace pelmar {

namespace {

// What a filter shows, and its patterns: the shown text separates them with
// "; ", which the dialog itself cannot read.
struct PictureFilter
{
    QString shown;
    QStringList patterns;
};

const QList<PictureFilter>& pictureFilters()
{
    static const QList<PictureFilter> filters = {
        {QStringLiteral("JPEG kép (*.jpg; *.jpeg)"), {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}},
        {QStringLiteral("TIFF kép (*.tif; *.tiff)"), {QStringLiteral("*.tif"), QStringLiteral("*.tiff")}},
        {QStringLiteral("Elfogadott képek (*.jpg; *.jpeg; *.tif; *.tiff)"),
         {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tif"), QStringLiteral("*.tiff")}},
    };
    return filters;
}

const QList<PictureFilter>& phoneFilters()
{
    static const QList<PictureFilter> filters = [] {
        const QStringList phone = {QStringLiteral("*.heic"), QStringLiteral("*.heif"), QStringLiteral("*.hif"),
                                   QStringLiteral("*.avif"), QStringLiteral("*.webp"), QStringLiteral("*.png")};
        QList<PictureFilter> out
            = {{QStringLiteral("Telefonos és webes képek (*.heic; *.heif; *.hif; *.avif; *.webp; *.png)"), phone}};
        out.append(pictureFilters().mid(0, 2));
        out.append({QStringLiteral("Minden kép (*.heic; *.heif; *.hif; *.avif; *.webp; *.png; *.jpg; *.jpeg; *.tif; "
                                   "*.tiff)"),
                    phone + pictureFilters().last().patterns});
        return out;
    }();
    return filters;
}

// The preview pane beside the file list. Pictures are decoded at a reduced
// DCT scale, so moving through a folder of large pictures stays fluid.
class OpenPicturePreview : public QFrame
{
public:
    explicit OpenPicturePreview(QWidget* parent)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("OPDPreview"));
        setFrameShape(QFrame::StyledPanel);
        auto* layout = new QVBoxLayout(this);
        m_picture = new QLabel(this);
        m_picture->setAlignment(Qt::AlignCenter);
        m_picture->setFixedSize(kSide, kSide);
        m_caption = new QLabel(this);
        m_caption->setAlignment(Qt::AlignCenter);
        m_caption->setWordWrap(true);
        layout->addWidget(m_picture);
        layout->addWidget(m_caption);
        layout->addStretch();
        showFile({});
    }

    void showFile(const QString& path)
    {
        m_picture->clear();
        m_caption->clear();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile()) {
            m_picture->setText(QStringLiteral("(nincs előnézet)"));
            return;
        }
        const QString ext = info.suffix().toLower();
        if (ext == u"jpg" || ext == u"jpeg") {
            // For the device pixels of the screen: sharp at 1.5x and 2x too.
            const qreal ratio = std::max<qreal>(1.0, devicePixelRatioF());
            const QSize side = QSize(kSide, kSide) * ratio;
            const jpeg::Decoded d = jpeg::decodeCovering(path, side);
            if (d.image.isNull()) {
                m_picture->setText(QStringLiteral("(nem olvasható)"));
                return;
            }
            QPixmap shown = QPixmap::fromImage(d.image.scaled(side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            shown.setDevicePixelRatio(ratio);
            m_picture->setPixmap(shown);
            m_caption->setText(QStringLiteral("%1 x %2 képpont").arg(d.trueSize.width()).arg(d.trueSize.height()));
            return;
        }
        // A phone picture is decoded only by the helper process, never here.
        if (HasPhonePictureExtension(path))
            m_picture->setText(ext.toUpper() + QStringLiteral(" kép\n(JPEG-be alakítjuk)"));
        else
            m_picture->setText(ext.startsWith(u"tif") ? QStringLiteral("TIFF kép")
                                                      : QStringLiteral("(nincs előnézet)"));
    }

private:
    static constexpr int kSide = 180;
    QLabel* m_picture;
    QLabel* m_caption;
};

} // namespace

QString pictureStartFolder(const QString& lastFolder)
{
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return lastFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

QStringList ChoosePictures(QWidget* parent, PictureKinds kinds, const QString& lastFolder)
{
    const bool phone = kinds == PictureKinds::Phone;
    const QList<PictureFilter>& filters = phone ? phoneFilters() : pictureFilters();
    QFileDialog dialog(parent,
                       phone ? QStringLiteral("Telefonos képek hozzáadása a megrendeléshez")
                             : QStringLiteral("Fénykép hozzádása a megrendeléshez"),
                       pictureStartFolder(lastFolder));
    dialog.setObjectName(QStringLiteral("OPD"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    dialog.setSizeGripEnabled(true);
    QStringList shown;
    for (const PictureFilter& f : filters)
        shown.append(f.shown);
    dialog.setNameFilters(shown);

    // Give the file list the patterns themselves whenever a filter is chosen.
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto applyPatterns = [model, &filters](const QString& filter) {
        if (!model)
            return;
        for (const PictureFilter& f : filters)
            if (f.shown == filter)
                model->setNameFilters(f.patterns);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [applyPatterns, &dialog](const QString& f) {
        QTimer::singleShot(0, &dialog, [applyPatterns, f] { applyPatterns(f); });
    });
    dialog.selectNameFilter(shown.last());
    applyPatterns(shown.last());

    auto* preview = new OpenPicturePreview(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) { preview->showFile(path); });
    // Wide enough for the size and date columns beside long file names and
    // the preview pane.
    dialog.resize(1040, 520);
    finishFileDialog(&dialog);
    if (phone)
        Help::installHelpKey(&dialog, [] { Help::ShowHelpTopic(QStringLiteral("phonepictures.html")); });
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }

    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace pelmar
