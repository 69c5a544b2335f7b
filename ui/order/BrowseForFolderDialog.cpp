#include "ui/order/BrowseForFolderDialog.h"

#include "core/AppError.h"
#include "ui/common/FileDialogLook.h"
#include "ui/common/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace pelmar {

namespace {

QString standard(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location);
}

QString home(const QString& relative)
{
    return QDir::home().filePath(relative);
}

} // namespace

int ShellFolderNumber(TSystemFolder folder)
{
    if (folder <= sfStartMenu)
        return int(folder);
    if (folder < sfCustom)
        return int(folder) + 4;
    return -1;
}

QString SystemFolderPath(TSystemFolder folder)
{
    switch (folder) {
    case sfDesktop: {
        // The desktop is the root of everything on the shell's side; a desktop
        // session without a Desktop folder starts from the home folder.
        const QString desktop = standard(QStandardPaths::DesktopLocation);
        return QFileInfo(desktop).isDir() ? desktop : QDir::homePath();
    }
    case sfDesktopDir:
        return standard(QStandardPaths::DesktopLocation);
    case sfPersonal:
        return standard(QStandardPaths::DocumentsLocation);
    case sfPrograms:
    case sfStartMenu:
        return standard(QStandardPaths::ApplicationsLocation);
    case sfStartup:
    case sfAltStartup:
        return home(QStringLiteral(".config/autostart"));
    case sfRecycleBin:
        return home(QStringLiteral(".local/share/Trash"));
    case sfDrives:
        return QDir::rootPath();
    case sfFonts:
        return standard(QStandardPaths::FontsLocation);
    case sfTemplates:
        return standard(QStandardPaths::TemplatesLocation);
    case sfCommonStartMenu:
    case sfCommonPrograms:
        return QStringLiteral("/usr/share/applications");
    case sfCommonStartup:
    case sfCommonAltStartup:
        return QStringLiteral("/etc/xdg/autostart");
    case sfAppdata:
        return standard(QStandardPaths::GenericConfigLocation);
    case sfLocalAppdata:
        return standard(QStandardPaths::GenericDataLocation);
    case sfIECache:
        return standard(QStandardPaths::GenericCacheLocation);
    case sfCommonAppData:
        return QStringLiteral("/var/lib");
    case sfSystem:
        return QStringLiteral("/usr/lib");
    case sfProgramFiles:
        return QStringLiteral("/usr/local");
    case sfCommonFiles:
        return QStringLiteral("/usr/share");
    case sfMyPictures:
        return standard(QStandardPaths::PicturesLocation);
    case sfProfile:
        return QDir::homePath();
    case sfCommonTemplates:
        return QStringLiteral("/usr/share/templates");
    case sfIE:
    case sfControlPanel:
    case sfPrinters:
    case sfFavorites:
    case sfRecent:
    case sfSendTo:
    case sfNetwork:
    case sfNethood:
    case sfCommonDesktopDir:
    case sfPrintHood:
    case sfCommonFavorites:
    case sfCookies:
    case sfHistory:
    case sfWindows:
    case sfx86System:
    case sfx86ProgramFiles:
    case sfx86CommonFiles:
    case sfCommonDocuments:
    case sfCommonAdminTools:
    case sfAdminTools:
    case sfConnections:
    case sfCustom:
        break;
    }
    return QString();
}

// Qt's folder dialog with the picker's validation and events.
class FolderPickerWindow : public QFileDialog
{
public:
    FolderPickerWindow(TBrowseForFolderDialog* owner, QWidget* parent)
        : QFileDialog(parent)
        , m_owner(owner)
    {
    }

    void accept() override
    {
        const QString name = selectedFiles().value(0);
        if (!m_owner->validate(name)) {
            if (m_closeInstead)
                reject();
            return;
        }
        QFileDialog::accept();
    }

    bool m_closeInstead = false;

private:
    TBrowseForFolderDialog* m_owner;
};

TBrowseForFolderDialog::TBrowseForFolderDialog(QObject* owner)
    : QObject(owner)
{
}

TBrowseForFolderDialog::~TBrowseForFolderDialog() = default;

void TBrowseForFolderDialog::setSystemFolder(TSystemFolder folder)
{
    m_systemFolder = folder;
    if (folder != sfCustom)
        m_customFolder.clear();
}

void TBrowseForFolderDialog::setCustomFolder(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return;
    m_customFolder = path;
    m_systemFolder = sfCustom;
}

void TBrowseForFolderDialog::setOptions(TBrowseOptions options)
{
    if (options & bfShareable)
        options |= bfNewStyle;
    if (options & bfValidate)
        options |= bfEditBox;
    if (options & bfIncludeURLs)
        options |= bfEditBox | bfNewStyle | bfIncludeFiles;
    m_options = options;
}

QString TBrowseForFolderDialog::rootFolder() const
{
    const QString path = m_systemFolder == sfCustom ? m_customFolder : SystemFolderPath(m_systemFolder);
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return QString();
    return path;
}

bool TBrowseForFolderDialog::validate(const QString& name)
{
    if (!name.isEmpty() && QFileInfo(name).isDir())
        return true;
    if (!(m_options & bfValidate))
        return false;
    auto window = static_cast<FolderPickerWindow*>(m_browser.data());
    if (OnValidateFailed) {
        bool keepExecuting = true;
        OnValidateFailed(this, window, name, keepExecuting);
        if (window && !keepExecuting)
            window->m_closeInstead = true;
    } else {
        MessageBox::error(window, QStringLiteral("The user input(%1) is not valid!").arg(name));
    }
    return false;
}

bool TBrowseForFolderDialog::Execute()
{
    const QString root = rootFolder();
    if (root.isEmpty())
        throw AppError(QStringLiteral("The specified folder does not exists!"));

    QWidget* parentWidget = qobject_cast<QWidget*>(parent());
    FolderPickerWindow window(this, parentWidget ? parentWidget->window() : nullptr);
    // Qt's own dialog rather than the desktop's: it behaves the same on every
    // desktop and lets the picker be driven and watched like the shell's.
    window.setOption(QFileDialog::DontUseNativeDialog, true);
    window.setFileMode(QFileDialog::Directory);
    window.setOption(QFileDialog::ShowDirsOnly, !(m_options & bfIncludeFiles));
    window.setAcceptMode(QFileDialog::AcceptOpen);
    window.setWindowTitle(m_title);
    window.setWindowModality(Qt::WindowModal);
    window.setDirectory(root);
    window.setSizeGripEnabled(bool(m_options & bfNewStyle));
    window.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    window.setLabelText(QFileDialog::Reject, QStringLiteral("Mégse"));
    finishFileDialog(&window);
    m_browser = &window;

    connect(&window, &QFileDialog::currentChanged, this, [this, &window](const QString& path) {
        if (OnSelectionChanged && QFileInfo(path).isDir())
            OnSelectionChanged(this, &window, path, path);
    });
    connect(&window, &QFileDialog::directoryEntered, this, [this, &window](const QString& path) {
        if (OnSelectionChanged)
            OnSelectionChanged(this, &window, path, path);
    });
    // Raised once the window is up, as the shell raises it from its callback.
    QTimer::singleShot(0, &window, [this, &window] {
        if (OnInitialized)
            OnInitialized(this, &window);
    });

    emit shown();
    const bool confirmed = window.exec() == QDialog::Accepted;
    m_browser = nullptr;
    emit closed();
    if (!confirmed)
        return false;
    const QString chosen = window.selectedFiles().value(0);
    if (!chosen.isEmpty())
        m_selectedPath = QDir::cleanPath(chosen);
    return true;
}

void TBrowseForFolderDialog::SelectPath(const QString& path)
{
    if (!m_browser || path.isEmpty() || !QFileInfo(path).isDir())
        return;
    const QString folder = QDir::cleanPath(path);
    m_browser->setDirectory(folder);
    // The shell reports its own selection change after a select request.
    if (OnSelectionChanged)
        OnSelectionChanged(this, m_browser, folder, folder);
}

} // namespace pelmar
