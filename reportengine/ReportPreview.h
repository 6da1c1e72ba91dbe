#pragma once
// The print preview of a prepared report: opens maximized, zoomed to the page width (or to
// the whole page), pages through, prints through the system's printer dialog and saves the
// report as PDF. The pages it shows are painted by the same function as the printed ones.
//
// Callers go through reportViewer(), which waits until the preview is closed; tests install
// a viewer that records the report instead of showing a window.
#include "reportengine/PageModel.h"

#include <functional>
#include <QPrintPreviewDialog>

class QPrintPreviewWidget;

struct PreviewRequest {
    QString title;          // the window's caption and the PDF's title
    QString fileName;       // suggested PDF file name, without folder
    bool wholePage = false; // zoomed to the whole page instead of the page width
};

class ReportViewer {
public:
    virtual ~ReportViewer() = default;
    // Shows the report; returns when the user has closed it.
    virtual void preview(const report::PageModel& model, const PreviewRequest& request) = 0;
};

// The installed viewer; the preview window until a test installs its own.
ReportViewer& reportViewer();
// Installs `viewer` (not owned; null restores the preview window) and returns the previous one.
ReportViewer* setReportViewer(ReportViewer* viewer);

class ReportPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    ReportPreview(const report::PageModel& model, const PreviewRequest& request, QWidget* parent = nullptr);

    QPrintPreviewWidget* view() const { return view_; }
    QAction* saveAction() const { return save_; }
    const QString& suggestedFileName() const { return request_.fileName; }

    // Asks where the PDF goes (the suggested name in the user's documents folder); an empty
    // answer saves nothing. Replaceable so tests answer without a file dialog.
    std::function<QString(QWidget* parent, const QString& suggestedPath)> chooseFile;

    // Writes the report to `path`; reports a failure through messages().
    bool savePdf(const QString& path);

public slots:
    // "Сохранить в PDF".
    void saveClick();

    // The view stands at the top of page 1: the report's title first.
    void showFirstPageTop();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void translateActions();

    const report::PageModel& model_;
    PreviewRequest request_;
    QPrintPreviewWidget* view_ = nullptr;
    QAction* save_ = nullptr;
    bool zoomed_ = false;
    // Until the user moves the view, every re-layout (maximising, zooming to the width)
    // returns it to the top of page 1.
    bool userMoved_ = false;
};
