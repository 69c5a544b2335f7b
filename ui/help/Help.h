#pragma once

#include "platform/HelpFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QWidget>
#include <functional>
#include <optional>

class QTreeWidget;
class QTreeWidgetItem;

namespace pelmar {

// The help viewer: the table of contents on the left, the topic on the right.
// It belongs to no program window, so it stays usable beside a modal dialog
// and does not close with one.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    enum class State { Topic, MissingFile, BrokenFile, MissingTopic };

    HelpWindow();
    ~HelpWindow() override;

    void showContents(const QString& helpFile);
    void showTopic(const QString& helpFile, const QString& topic);

    State state() const { return m_state; }
    QString currentTopic() const { return m_topic; }
    QTextBrowser* browser() const;
    QTreeWidget* contentsTree() const { return m_tree; }

private:
    class Browser;
    bool openFile(const QString& helpFile);
    void fillContents();
    void navigate(const QString& topic);
    void showMessage(State state, const QString& text);
    void onLink(const QUrl& url);
    void onTreeItem(QTreeWidgetItem* item);

    std::unique_ptr<ChmFile> m_chm;
    QString m_path;
    QString m_defaultTopic;
    State m_state = State::MissingFile;
    QString m_topic;
    Browser* m_browser = nullptr;
    QTreeWidget* m_tree = nullptr;
};

namespace Help {

// Where the help file is; the main window sets it at start.
void setHelpFile(const QString& path);
QString helpFile();

// Opens the help window at a topic ("userdata.html") or at the contents.
// Nothing is reported to the caller; a missing file is explained in the
// window itself.
void ShowHelpTopic(const QString& topic);
void ShowHelpContents();

// Tests: while set, requests go to the observer instead of a window; the
// contents arrive as an empty topic. Pass an empty function to restore.
void setRequestObserver(std::function<void(const QString& topic)> observer);

// The help window when one is open, else nullptr; closing deletes it.
HelpWindow* window();
void closeWindow();

inline constexpr char kFileName[] = "pelmarorder.chm";

// The help file of the program in programDir: beside it in a build folder,
// else in the installed share folder (<prefix>/share/pelmarorder when the
// program is <prefix>/bin/pelmarorder). The path beside it when neither has
// the file, so the help window names where it looked first.
QString locateHelpFile(const QString& programDir);

// Gives F1 to `window` before any of its controls sees it (and before any
// shortcut of another window): the key is consumed and onF1 runs. The filter
// lives as long as the window.
void installHelpKey(QWidget* window, std::function<void()> onF1);

} // namespace Help
} // namespace pelmar
