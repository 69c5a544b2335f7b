#include "ui/help/Help.h"

#include "platform/Shell.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>

namespace pelmar {

// ------------------------------------------------------------- HelpWindow

// Reads every page, style sheet and picture from the help file.
class HelpWindow::Browser : public QTextBrowser
{
public:
    explicit Browser(HelpWindow* owner)
        : QTextBrowser(owner)
        , m_owner(owner)
    {
    }

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (!m_owner->m_chm || !m_owner->m_chm->isOpen())
            return {};
        const std::optional<QByteArray> bytes = m_owner->m_chm->read(QLatin1Char('/') + topicOf(name));
        if (!bytes)
            return {};
        if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
            return decodeHelpText(*bytes);
        return *bytes;
    }

    static QString topicOf(const QUrl& url)
    {
        QString path = url.path();
        while (path.startsWith(QLatin1Char('/')))
            path.remove(0, 1);
        return path;
    }

private:
    HelpWindow* m_owner;
};

HelpWindow::HelpWindow()
    : QWidget(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Pelmar megrendelés – Súgó"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends with its main window: an open help window neither
    // keeps it running nor outlives it.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(860, 600);

    auto* splitter = new QSplitter(this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("Contents"));
    m_tree->setHeaderHidden(true);
    m_tree->setAccessibleName(QStringLiteral("Tartalom"));
    m_browser = new Browser(this);
    m_browser->setParent(splitter);
    m_browser->setObjectName(QStringLiteral("Topic"));
    // Read as the topic's title once one is shown (navigate).
    m_browser->setAccessibleName(windowTitle());
    m_browser->setOpenLinks(false);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 640});

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::onLink);
    connect(m_tree, &QTreeWidget::itemActivated, this, &HelpWindow::onTreeItem);
    connect(m_tree, &QTreeWidget::itemClicked, this, &HelpWindow::onTreeItem);
}

HelpWindow::~HelpWindow() = default;

QTextBrowser* HelpWindow::browser() const
{
    return m_browser;
}

bool HelpWindow::openFile(const QString& helpFile)
{
    // A file that was missing may have appeared since; an open one is kept.
    if (m_chm && m_chm->isOpen() && m_path == helpFile)
        return true;
    m_path = helpFile;
    m_chm.reset();
    m_tree->clear();
    m_defaultTopic.clear();

    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile()) {
        showMessage(State::MissingFile,
                    QStringLiteral("A súgófájl nem található:<br><b>%1</b><br><br>"
                                   "Telepítse újra a programot, vagy kérjen segítséget a Pelmartól.")
                        .arg(helpFile.toHtmlEscaped()));
        return false;
    }
    auto chm = std::make_unique<ChmFile>(helpFile);
    if (!chm->isOpen()) {
        showMessage(State::BrokenFile,
                    QStringLiteral("A súgófájl sérült, nem olvasható:<br><b>%1</b><br><br>"
                                   "Telepítse újra a programot, vagy kérjen segítséget a Pelmartól.")
                        .arg(helpFile.toHtmlEscaped()));
        return false;
    }
    m_chm = std::move(chm);
    fillContents();
    return true;
}

void HelpWindow::fillContents()
{
    QString hhcPath;
    for (const QString& file : m_chm->files()) {
        if (file.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
            hhcPath = file;
            break;
        }
    }
    QList<HelpContentsEntry> entries;
    if (!hhcPath.isEmpty()) {
        if (const auto bytes = m_chm->read(hhcPath))
            entries = parseHelpContents(*bytes);
    }
    QList<QTreeWidgetItem*> parents;
    for (const HelpContentsEntry& e : entries) {
        const int depth = qMin(e.depth, int(parents.size()));
        parents.resize(depth);
        auto* item = depth == 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(parents.back());
        item->setText(0, e.name);
        item->setData(0, Qt::UserRole, e.local);
        parents.append(item);
        if (m_defaultTopic.isEmpty() && !e.local.isEmpty())
            m_defaultTopic = e.local;
    }
    m_tree->expandAll();
    // The contents pane as wide as its longest title (within reason), so no
    // topic's name is cut.
    if (auto* splitter = qobject_cast<QSplitter*>(m_tree->parentWidget())) {
        const int frame = 2 * m_tree->frameWidth() + m_tree->verticalScrollBar()->sizeHint().width();
        m_tree->resizeColumnToContents(0);
        const int wanted = std::clamp(m_tree->columnWidth(0) + frame, 220, width() / 2);
        splitter->setSizes({wanted, std::max(1, splitter->width() - wanted)});
    }
    if (m_defaultTopic.isEmpty() && m_chm->contains(QStringLiteral("/index.html")))
        m_defaultTopic = QStringLiteral("index.html");
}

void HelpWindow::showMessage(State state, const QString& text)
{
    m_state = state;
    m_browser->setHtml(QStringLiteral("<h2>Súgó</h2><p>%1</p>").arg(text));
    m_browser->setAccessibleName(windowTitle());
}

void HelpWindow::navigate(const QString& topic)
{
    QString file = topic;
    QString fragment;
    const qsizetype hash = file.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        fragment = file.mid(hash + 1);
        file.truncate(hash);
    }
    while (file.startsWith(QLatin1Char('/')))
        file.remove(0, 1);
    m_topic = file;
    if (file.isEmpty() || !m_chm->contains(QLatin1Char('/') + file) || !m_chm->read(QLatin1Char('/') + file)) {
        showMessage(State::MissingTopic,
                    QStringLiteral("A kért súgótéma nem található: <b>%1</b>").arg(file.toHtmlEscaped()));
        return;
    }
    m_state = State::Topic;
    QUrl url;
    url.setPath(QLatin1Char('/') + file);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    m_browser->setSource(url, QTextDocument::HtmlResource);
    // A screen reader names the page by its title.
    const QString title = m_browser->documentTitle().trimmed();
    m_browser->setAccessibleName(title.isEmpty() ? windowTitle() : title);

    // Keep the contents tree in step with the page.
    const auto items = m_tree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive);
    for (QTreeWidgetItem* item : items) {
        if (item->data(0, Qt::UserRole).toString().compare(file, Qt::CaseInsensitive) == 0) {
            m_tree->setCurrentItem(item);
            break;
        }
    }
}

void HelpWindow::showContents(const QString& helpFile)
{
    if (!openFile(helpFile))
        return;
    if (m_defaultTopic.isEmpty()) {
        showMessage(State::BrokenFile, QStringLiteral("A súgófájl nem tartalmaz tartalomjegyzéket."));
        return;
    }
    navigate(m_defaultTopic);
}

void HelpWindow::showTopic(const QString& helpFile, const QString& topic)
{
    if (!openFile(helpFile))
        return;
    navigate(topic);
}

void HelpWindow::onLink(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        Shell::openDocument(url.toString());
        return;
    }
    if (!scheme.isEmpty())
        return;
    if (url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    QUrl base;
    base.setPath(QLatin1Char('/') + m_topic);
    const QUrl target = base.resolved(url);
    QString topic = Browser::topicOf(target);
    if (target.hasFragment())
        topic += QLatin1Char('#') + target.fragment();
    if (m_chm && m_chm->isOpen())
        navigate(topic);
}

void HelpWindow::onTreeItem(QTreeWidgetItem* item)
{
    const QString local = item ? item->data(0, Qt::UserRole).toString() : QString();
    if (!local.isEmpty() && m_chm && m_chm->isOpen() && local.compare(m_topic, Qt::CaseInsensitive) != 0)
        navigate(local);
}

// ------------------------------------------------------------------- Help

namespace Help {

namespace {

QString& filePath()
{
    static QString path;
    return path;
}

std::function<void(const QString&)>& observer()
{
    static std::function<void(const QString&)> o;
    return o;
}

QPointer<HelpWindow>& windowPointer()
{
    static QPointer<HelpWindow> w;
    return w;
}

HelpWindow* ensureWindow()
{
    QPointer<HelpWindow>& w = windowPointer();
    if (!w) {
        w = new HelpWindow;
        // The window has no owner, so it has to go when the program ends.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, w.data(), &QObject::deleteLater);
    }
    return w;
}

void present(HelpWindow* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

void setHelpFile(const QString& path)
{
    filePath() = path;
}

QString helpFile()
{
    return filePath();
}

QString locateHelpFile(const QString& programDir)
{
    const QString beside = QDir(programDir).filePath(QLatin1String(kFileName));
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed
        = QDir::cleanPath(programDir + QStringLiteral("/../share/pelmarorder/") + QLatin1String(kFileName));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

void ShowHelpTopic(const QString& topic)
{
    if (observer()) {
        observer()(topic);
        return;
    }
    HelpWindow* w = ensureWindow();
    w->showTopic(filePath(), topic);
    present(w);
}

void ShowHelpContents()
{
    if (observer()) {
        observer()(QString());
        return;
    }
    HelpWindow* w = ensureWindow();
    w->showContents(filePath());
    present(w);
}

void setRequestObserver(std::function<void(const QString&)> o)
{
    observer() = std::move(o);
}

HelpWindow* window()
{
    return windowPointer().data();
}

void closeWindow()
{
    delete windowPointer().data();
}

namespace {

class HelpKeyFilter : public QObject
{
public:
    HelpKeyFilter(QWidget* window, std::function<void()> onF1)
        : QObject(window)
        , m_window(window)
        , m_onF1(std::move(onF1))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != m_window)
            return false;
        if (type == QEvent::ShortcutOverride) {
            // Keep F1 from becoming another window's shortcut; it arrives
            // here again as a key press.
            event->accept();
            return true;
        }
        if (m_onF1)
            m_onF1();
        return true;
    }

private:
    QWidget* m_window;
    std::function<void()> m_onF1;
};

} // namespace

void installHelpKey(QWidget* window, std::function<void()> onF1)
{
    new HelpKeyFilter(window, std::move(onF1));
}

} // namespace Help
} // namespace pelmar
