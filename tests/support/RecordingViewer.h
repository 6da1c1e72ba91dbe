#pragma once
// Records what a report handler shows instead of opening the preview window.
#include "reportengine/ReportPreview.h"

#include <functional>
#include <vector>

class RecordingViewer final : public ReportViewer {
public:
    RecordingViewer() { previous_ = setReportViewer(this); }
    ~RecordingViewer() override { setReportViewer(previous_); }
    void preview(const report::PageModel& model, const PreviewRequest& request) override {
        models.push_back(model);
        requests.push_back(request);
        if (whileShown) whileShown();
    }
    std::vector<report::PageModel> models;
    std::vector<PreviewRequest> requests;
    // Run while the report is "shown" (the handler still waiting for its preview).
    std::function<void()> whileShown;

private:
    ReportViewer* previous_ = nullptr;
};
