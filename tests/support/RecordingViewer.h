#pragma once
// Records what a report handler shows instead of opening the preview window.
#include "reportengine/ReportPreview.h"

#include <functional>
#include <vector>

class RecordingViewer final : public ReportViewer {
public:
    RecordingViewer() { previous_ = setReportViewer(this); }
    ~RecordingViewer() override { setReportViewer(previous_); }
    void preview(report::Layout& layout, const PreviewRequest& request) override {
        // What the preview opens with, then the whole report.
        shownPages.push_back(layout.finishedPages());
        shownDone.push_back(layout.done());
        layout.finish();
        models.push_back(layout.model());
        requests.push_back(request);
        if (whileShown) whileShown();
    }
    std::vector<report::PageModel> models;
    std::vector<PreviewRequest> requests;
    // Pages complete, and whether the layout was done, when the report was shown.
    std::vector<int> shownPages;
    std::vector<bool> shownDone;
    // Run while the report is "shown" (the handler still waiting for its preview).
    std::function<void()> whileShown;

private:
    ReportViewer* previous_ = nullptr;
};
