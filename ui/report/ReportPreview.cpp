#include "ui/report/ReportPreview.h"

#include "reports/PageRenderer.h"
#include "reports/QrpFile.h"
#include "reports/ReportForm.h"
#include "ui/common/FileDialogLook.h"
#include "ui/common/Guard.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace pelmar::reports {

// The sheet of the current page on a grey desk.
class PageView : public QWidget
{
public:
    explicit PageView(QWidget* parent)
        : QWidget(parent)
    {
        setAutoFillBackground(false);
    }

    void setPage(const PreparedPage* page, double pixelsPerMm)
    {
        m_page = page;
        m_scale = pixelsPerMm;
        const QSize sheet(int(PageWidthMm * m_scale), int(PageHeightMm * m_scale));
        setFixedSize(sheet + QSize(2 * Desk, 2 * Desk));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        const QRectF sheet(Desk, Desk, PageWidthMm * m_scale, PageHeightMm * m_scale);
        p.fillRect(sheet.translated(3, 3), QColor(0x40, 0x40, 0x40));
        if (m_page)
            paintPage(p, *m_page, sheet);
        else
            p.fillRect(sheet, Qt::white);
    }

private:
    static constexpr int Desk = 12;
    const PreparedPage* m_page = nullptr;
    double m_scale = 1;
};

ReportPreviewWindow::ReportPreviewWindow(const PreparedReport& report, QWidget* parent)
    : QDialog(parent)
    , m_report(report)
{
    setObjectName(QStringLiteral("QRPreview"));
    setWindowTitle(report.title);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    // Modal to the window that asked for it alone: the help window stays
    // usable beside the preview.
    setWindowModality(Qt::WindowModal);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [&](const QString& name, const QString& text, auto slot) {
        QAction* a = bar->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, slot] { runGuarded(this, [this, slot] { slot(this); }); });
        return a;
    };
    add(QStringLiteral("ZoomWholePage"), QStringLiteral("Egész oldal"),
        [](ReportPreviewWindow* w) { w->setZoom(Zoom::WholePage); });
    add(QStringLiteral("ZoomPageWidth"), QStringLiteral("Oldalszélesség"),
        [](ReportPreviewWindow* w) { w->setZoom(Zoom::PageWidth); });
    add(QStringLiteral("Zoom100"), QStringLiteral("100 %"), [](ReportPreviewWindow* w) { w->setZoom(Zoom::Actual); });
    bar->addSeparator();
    m_first = add(QStringLiteral("FirstPage"), QStringLiteral("Első"), [](ReportPreviewWindow* w) { w->showPage(1); });
    m_prev = add(QStringLiteral("PrevPage"), QStringLiteral("Előző"),
                 [](ReportPreviewWindow* w) { w->showPage(w->currentPage() - 1); });
    m_pageLabel = new QLabel(bar);
    m_pageLabel->setObjectName(QStringLiteral("PageLabel"));
    m_pageLabel->setMargin(6);
    bar->addWidget(m_pageLabel);
    m_next = add(QStringLiteral("NextPage"), QStringLiteral("Következő"),
                 [](ReportPreviewWindow* w) { w->showPage(w->currentPage() + 1); });
    m_last = add(QStringLiteral("LastPage"), QStringLiteral("Utolsó"),
                 [](ReportPreviewWindow* w) { w->showPage(w->pageCount()); });
    bar->addSeparator();
    // The tool bar's buttons take no focus: the keyboard prints and saves
    // through these keys.
    add(QStringLiteral("Print"), QStringLiteral("Nyomtatás..."), [](ReportPreviewWindow* w) {
        w->printReport();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    add(QStringLiteral("Save"), QStringLiteral("Mentés..."), [](ReportPreviewWindow* w) {
        w->saveReport();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    add(QStringLiteral("SavePdf"), QStringLiteral("Mentés PDF-be..."), [](ReportPreviewWindow* w) {
        w->saveAsPdf();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    bar->addSeparator();
    add(QStringLiteral("ClosePreview"), QStringLiteral("Bezárás"), [](ReportPreviewWindow* w) { w->accept(); });

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PreviewScroll"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new PageView(m_scroll);
    m_scroll->setWidget(m_view);
    // The zoom to fit follows the visible area, which the layout sizes only
    // after the window's own resize.
    m_scroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_scroll, 1);

    resize(900, 1000);
    updateView();
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

double ReportPreviewWindow::scale() const
{
    const QSize area = m_scroll->viewport()->size() - QSize(28, 28);
    switch (m_zoom) {
    case Zoom::WholePage:
        return std::max(0.1, std::min(area.width() / PageWidthMm, area.height() / PageHeightMm));
    case Zoom::PageWidth:
        return std::max(0.1, (area.width() - m_scroll->verticalScrollBar()->sizeHint().width()) / PageWidthMm);
    case Zoom::Actual:
    default:
        return logicalDpiX() / 25.4;
    }
}

void ReportPreviewWindow::showPage(int number)
{
    if (pageCount() == 0)
        return;
    m_page = std::clamp(number, 1, pageCount());
    updateView();
}

void ReportPreviewWindow::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    updateView();
}

void ReportPreviewWindow::updateView()
{
    const PreparedPage* page = pageCount() > 0 ? &m_report.pages[size_t(m_page - 1)] : nullptr;
    m_lastScale = scale();
    m_view->setPage(page, m_lastScale);
    m_pageLabel->setText(QStringLiteral("%1 / %2. oldal").arg(pageCount() > 0 ? m_page : 0).arg(pageCount()));
    m_first->setEnabled(m_page > 1);
    m_prev->setEnabled(m_page > 1);
    m_next->setEnabled(m_page < pageCount());
    m_last->setEnabled(m_page < pageCount());
}

void ReportPreviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    updateView();
}

bool ReportPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_zoom != Zoom::Actual) {
        const double before = m_lastScale;
        if (std::abs(scale() - before) > 1e-6)
            updateView();
    }
    return QDialog::eventFilter(watched, event);
}

void ReportPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        showPage(m_page + 1);
        return;
    case Qt::Key_PageUp:
        showPage(m_page - 1);
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(1);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(pageCount());
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void ReportPreviewWindow::printReport()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report.title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Nyomtatás"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinMax(1, std::max(1, pageCount()));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printPages(m_report, printer);
}

void ReportPreviewWindow::saveReport()
{
    QString path = chooseFileToSave(this, QStringLiteral("Nyomtatvány mentése"), QString(),
                                    QStringLiteral("Elkészített nyomtatvány (*.qrp)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".qrp"), Qt::CaseInsensitive))
        path += QLatin1String(".qrp");
    saveReportTo(path);
}

void ReportPreviewWindow::saveAsPdf()
{
    QString path
        = chooseFileToSave(this, QStringLiteral("Mentés PDF-be"), QString(), QStringLiteral("PDF dokumentum (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    savePdfTo(path);
}

void ReportPreviewWindow::saveReportTo(const QString& path) const
{
    savePreparedReport(m_report, path);
}

void ReportPreviewWindow::savePdfTo(const QString& path) const
{
    savePdf(m_report, path);
}

namespace {
PreviewInterceptor* g_interceptor = nullptr;
}

PreviewInterceptor::PreviewInterceptor()
    : m_previous(g_interceptor)
{
    g_interceptor = this;
}

PreviewInterceptor::~PreviewInterceptor()
{
    g_interceptor = m_previous;
}

PreviewInterceptor* PreviewInterceptor::active()
{
    return g_interceptor;
}

void PreviewInterceptor::record(const PreparedReport& report)
{
    m_previews.append(report);
    if (onPreview)
        onPreview(report);
}

void previewReport(const PreparedReport& report, QWidget* parent)
{
    if (PreviewInterceptor* interceptor = PreviewInterceptor::active()) {
        interceptor->record(report);
        return;
    }
    ReportPreviewWindow window(report, parent);
    // Maximized; the geometry is set too for desktops whose window manager
    // ignores the request.
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    window.exec();
}

void previewReport(ReportForm& form, QWidget* parent)
{
    form.PrepareReport();
    previewReport(form.prepared(), parent);
}

} // namespace pelmar::reports
