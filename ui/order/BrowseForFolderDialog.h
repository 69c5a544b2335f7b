#pragma once

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include <QFileDialog>
class QWidget;

namespace pelmar {

// The roots a folder picker can start from, in the desktop shell's order.
enum TSystemFolder : int {
    sfDesktop,
    sfIE,
    sfPrograms,
    sfControlPanel,
    sfPrinters,
    sfPersonal,
    sfFavorites,
    sfStartup,
    sfRecent,
    sfSendTo,
    sfRecycleBin,
    sfStartMenu,
    sfDesktopDir,
    sfDrives,
    sfNetwork,
    sfNethood,
    sfFonts,
    sfTemplates,
    sfCommonStartMenu,
    sfCommonPrograms,
    sfCommonStartup,
    sfCommonDesktopDir,
    sfAppdata,
    sfPrintHood,
    sfLocalAppdata,
    sfAltStartup,
    sfCommonAltStartup,
    sfCommonFavorites,
    sfIECache,
    sfCookies,
    sfHistory,
    sfCommonAppData,
    sfWindows,
    sfSystem,
    sfProgramFiles,
    sfMyPictures,
    sfProfile,
    sfx86System,
    sfx86ProgramFiles,
    sfCommonFiles,
    sfx86CommonFiles,
    sfCommonTemplates,
    sfCommonDocuments,
    sfCommonAdminTools,
    sfAdminTools,
    sfConnections,
    sfCustom
};
inline constexpr int kSystemFolderCount = sfCustom + 1;

// The shell's special folder number (CSIDL) of a value: 0..11 keep their
// number, 12..45 stand for 16..49; sfCustom has none (-1).
int ShellFolderNumber(TSystemFolder folder);

// The folder of this desktop that stands for a special folder, or an empty
// text when this platform has none (the Windows-only folders: the control
// panel, printers, the network neighbourhood, ...). sfCustom gives empty
// too; it is resolved from CustomFolder.
QString SystemFolderPath(TSystemFolder folder);

enum TBrowseOption : unsigned {
    bfReturnOnlyFSDirs = 1u << 0,
    bfDontGoBelowDomain = 1u << 1,
    bfStatusText = 1u << 2,
    bfReturnFSAncestors = 1u << 3,
    bfEditBox = 1u << 4,
    bfValidate = 1u << 5,
    bfNewStyle = 1u << 6,
    bfIncludeURLs = 1u << 7,
    bfComputer = 1u << 8,
    bfPrinter = 1u << 9,
    bfIncludeFiles = 1u << 10,
    bfShareable = 1u << 11,
};
Q_DECLARE_FLAGS(TBrowseOptions, TBrowseOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrowseOptions)

// A folder picker component without a window of its own, shown with Qt's
// folder dialog. The picker window is passed to the events where the shell
// passes its window handle.
class TBrowseForFolderDialog : public QObject
{
    Q_OBJECT
public:
    using TOnInitializedEvent = std::function<void(TBrowseForFolderDialog* sender, QWidget* browser)>;
    using TOnSelectionChanged = std::function<void(TBrowseForFolderDialog* sender, QWidget* browser,
                                                   const QString& itemID, const QString& folderPath)>;
    using TOnValidateFailed = std::function<void(TBrowseForFolderDialog* sender, QWidget* browser,
                                                 const QString& invalidName, bool& keepExecuting)>;

    explicit TBrowseForFolderDialog(QObject* owner = nullptr);
    ~TBrowseForFolderDialog() override;

    TSystemFolder SystemFolder() const { return m_systemFolder; }
    // Any value but sfCustom empties CustomFolder.
    void setSystemFolder(TSystemFolder folder);

    QString CustomFolder() const { return m_customFolder; }
    // An existing folder is stored and makes the root sfCustom; anything else
    // changes nothing.
    void setCustomFolder(const QString& path);

    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    TBrowseOptions Options() const { return m_options; }
    // Completes the set: bfShareable adds bfNewStyle; bfValidate adds
    // bfEditBox; bfIncludeURLs adds bfEditBox, bfNewStyle and bfIncludeFiles.
    void setOptions(TBrowseOptions options);

    TOnInitializedEvent OnInitialized;
    TOnSelectionChanged OnSelectionChanged;
    TOnValidateFailed OnValidateFailed;

    // The folder the user confirmed in the last run that confirmed one.
    QString SelectedPath() const { return m_selectedPath; }

    // The root folder of a run, or empty when it cannot be resolved.
    QString rootFolder() const;

    // Runs the picker modally: true when the user confirmed a folder. A root
    // that cannot be resolved throws AppError "The specified folder does not
    // exists!" and no picker opens.
    bool Execute();

    // While the picker is open: selects the folder when it exists; anything
    // else leaves the selection as it is.
    void SelectPath(const QString& path);

    // The picker window while it is open (for tests and event handlers).
    QFileDialog* browser() const { return m_browser; }

signals:
    // The toolkit dialogs' show and close events, before and after a run.
    void shown();
    void closed();

private:
    friend class FolderPickerWindow;
    bool validate(const QString& name);

    TSystemFolder m_systemFolder = sfDesktop;
    QString m_customFolder;
    QString m_title;
    TBrowseOptions m_options;
    QString m_selectedPath;
    QPointer<QFileDialog> m_browser;
};

} // namespace pelmar
