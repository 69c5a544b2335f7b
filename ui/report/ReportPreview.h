#pragma once

#include "reports/PreparedReport.h"

#include <QDialog>
#include <QList>
#include <functional>

class QAction;
class QLabel;
class QScrollArea;

namespace pelmar::reports {

class PageView;
class ReportForm;

// The preview window: the prepared pages, one at a time, with page
// navigation, zoom (whole page, page width, 100 %), printing through the
// print dialog, saving a prepared-report file and saving as PDF.
class ReportPreviewWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Zoom { WholePage, PageWidth, Actual };

    explicit ReportPreviewWindow(const PreparedReport& report, QWidget* parent = nullptr);
    ~ReportPreviewWindow() override;

    int currentPage() const { return m_page; } // from 1
    int pageCount() const { return m_report.pageCount(); }
    Zoom zoom() const { return m_zoom; }
    // Screen pixels per millimetre at the current zoom.
    double scale() const;

    void showPage(int number);
    void setZoom(Zoom zoom);

    // The commands behind the tool bar; the file and printer choices are
    // asked here, the work done by the functions below.
    void printReport();
    void saveReport();
    void saveAsPdf();

    // Without dialogs, for the commands above and for tests. Throw AppError.
    void saveReportTo(const QString& path) const;
    void savePdfTo(const QString& path) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateView();

    const PreparedReport& m_report;
    int m_page = 1;
    Zoom m_zoom = Zoom::WholePage;
    double m_lastScale = 0;
    PageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_pageLabel = nullptr;
    QAction* m_first = nullptr;
    QAction* m_prev = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

// Shows the prepared report maximized, captioned with its title, and returns
// when the window is closed.
void previewReport(const PreparedReport& report, QWidget* parent = nullptr);

// Generates the form's pages and previews them as above.
void previewReport(ReportForm& form, QWidget* parent = nullptr);

// While alive, previewReport shows nothing: each call is recorded (with a copy
// of the pages) and returns at once, so tests can run commands that preview.
class PreviewInterceptor
{
public:
    PreviewInterceptor();
    ~PreviewInterceptor();
    PreviewInterceptor(const PreviewInterceptor&) = delete;
    PreviewInterceptor& operator=(const PreviewInterceptor&) = delete;

    const QList<PreparedReport>& previews() const { return m_previews; }
    // Runs inside each intercepted call, e.g. to make the preview fail.
    std::function<void(const PreparedReport&)> onPreview;

    static PreviewInterceptor* active();
    void record(const PreparedReport& report);

private:
    QList<PreparedReport> m_previews;
    PreviewInterceptor* m_previous = nullptr;
};

} // namespace pelmar::reports
