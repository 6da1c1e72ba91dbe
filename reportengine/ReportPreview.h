#pragma once
// The print preview of a prepared report: opens maximized, zoomed to the page width (or to
// the whole page), pages through, prints through the system's printer dialog and saves the
// report as PDF. The pages it shows are painted by the same function as the printed ones.
// A long report opens on its first page while the rest is laid out in slices between the
// window's events; the page count reads "/ …" and printing and saving wait until the layout is
// done. Printing and saving show their progress and can be stopped.
//
// Callers go through reportViewer(), which waits until the preview is closed; tests install
// a viewer that records the report instead of showing a window.
#include "reportengine/PageModel.h"
#include "reportengine/ReportPaginator.h"
#include "reportengine/ReportPainter.h"

#include <functional>
#include <memory>
#include <QPrintPreviewDialog>
#include <QTimer>

class QLabel;
class QProgressDialog;
class QPrintPreviewWidget;

struct PreviewRequest {
    QString title;          // the window's caption and the PDF's title
    QString fileName;       // suggested PDF file name, without folder
    bool wholePage = false; // zoomed to the whole page instead of the page width
};

class ReportViewer {
public:
    virtual ~ReportViewer() = default;
    // Shows the report, laying out what is left of it; returns when the user has closed it.
    virtual void preview(report::Layout& layout, const PreviewRequest& request) = 0;
};

// The installed viewer; the preview window until a test installs its own.
ReportViewer& reportViewer();
// Installs `viewer` (not owned; null restores the preview window) and returns the previous one.
ReportViewer* setReportViewer(ReportViewer* viewer);

class ReportPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    // Shows `layout` (not owned), laying out the rest of it while shown.
    ReportPreview(report::Layout& layout, const PreviewRequest& request, QWidget* parent = nullptr);
    // Shows a report already laid out.
    ReportPreview(const report::PageModel& model, const PreviewRequest& request, QWidget* parent = nullptr);
    ~ReportPreview() override;

    QPrintPreviewWidget* view() const { return view_; }
    QAction* saveAction() const { return save_; }
    QAction* printAction() const { return print_; }
    // The text after the page number: "/ 12", "/ …" while the layout goes on.
    QString pageCountText() const;
    bool layoutDone() const { return layout_->done(); }
    const QString& suggestedFileName() const { return request_.fileName; }

    // Asks where the PDF goes (the suggested name in the user's documents folder); an empty
    // answer saves nothing. Replaceable so tests answer without a file dialog.
    std::function<QString(QWidget* parent, const QString& suggestedPath)> chooseFile;

    // Writes the report to `path` with a progress window that can stop it (leaving no file);
    // reports a failure through messages(). False when failed or stopped.
    bool savePdf(const QString& path);

public slots:
    // "Сохранить в PDF".
    void saveClick();
    // "Печать": the system's printer dialog, then the pages with a progress window.
    void printClick();

signals:
    // The whole report is laid out and shown.
    void layoutFinished();

public:
    // The view stands at the top of page 1: the report's title first.
    void showFirstPageTop();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void translateActions();
    void layOutSlice();
    void paint(QPrinter& printer);
    void updatePageCount();
    // A progress window over `total` pages: told of each page, false once "Отмена" is pressed.
    report::Progress progress(const QString& text, std::unique_ptr<QProgressDialog>& holder);

    std::unique_ptr<report::Layout> owned_;
    report::Layout* layout_ = nullptr;
    QTimer slicer_;
    QLabel* pageCount_ = nullptr;
    QAction* print_ = nullptr;
    bool printing_ = false;
    bool printStopped_ = false;
    PreviewRequest request_;
    QPrintPreviewWidget* view_ = nullptr;
    QAction* save_ = nullptr;
    bool zoomed_ = false;
    // Until the user moves the view, every re-layout (maximising, zooming to the width)
    // returns it to the top of page 1.
    bool userMoved_ = false;
};
