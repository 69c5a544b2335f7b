#include "ui/common/FileDialogLook.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QListView>
#include <QLocale>
#include <QScrollBar>
#include <QSplitter>

#include <algorithm>

namespace pelmar {

namespace {

// The file list's columns as QFileSystemModel numbers them.
constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;

// Shows the file list's dates in the program's locale and names folders in
// Hungarian; everything else passes through unchanged.
class HungarianFileList : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole && index.isValid()) {
            auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
            const QModelIndex source = mapToSource(index);
            if (files && index.column() == kDateColumn)
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
            if (files && index.column() == kTypeColumn && files->isDir(source))
                return QStringLiteral("Mappa");
        }
        return QIdentityProxyModel::data(index, role);
    }
};

void widenPlaces(QFileDialog* dialog)
{
    auto* places = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog->findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!places || !splitter || splitter->count() < 2)
        return;
    const int wanted
        = places->sizeHintForColumn(0) + 2 * places->frameWidth() + places->verticalScrollBar()->sizeHint().width();
    splitter->setSizes({wanted, std::max(1, dialog->width() - wanted)});
}

} // namespace

void finishFileDialog(QFileDialog* dialog)
{
    if (!dialog->testOption(QFileDialog::DontUseNativeDialog))
        return;
    dialog->setProxyModel(new HungarianFileList(dialog));
    widenPlaces(dialog);
}

QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter,
                         const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!proposed.isEmpty()) {
        const QFileInfo info(proposed);
        dialog.setDirectory(info.absolutePath());
        if (!info.fileName().isEmpty())
            dialog.selectFile(info.fileName());
    }
    finishFileDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

} // namespace pelmar
