#pragma once
// Paints a page model. One function paints one page onto any QPainter, so the preview, the
// printer and the PDF file show the same pages.
#include "reportengine/PageModel.h"
#include "reportengine/ReportPaginator.h"

#include <functional>
#include <memory>
#include <QFont>
#include <utility>

class QPainter;
class QPrinter;

namespace report {

// The font of a layout's font. Arial, MS Sans Serif and Microsoft Sans Serif, where the
// workstation lacks them, become Liberation Sans, which has Arial's metrics.
QFont fontFor(const Font& font);

// Widths of texts in the fonts the painter uses.
class FontMeasurer final : public TextMeasurer {
public:
    FontMeasurer();
    ~FontMeasurer() override;
    double width(const QString& text, const Font& font) const override;

private:
    // Metrics per font and widths per text: a report repeats its texts many times.
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

// Paints page `index` (0-based): the paper's top left corner at the device's origin (a printer
// in full-page mode), millimetres converted at the device's resolution.
void paintPage(const PageModel& model, int index, QPainter& painter);

// Sets the printer up for the model's paper (A4, its orientation, full page).
void setUpPrinter(const PageModel& model, QPrinter& printer);
// The pages (0-based, first and last) a printer asks for: every page, or the range chosen
// in the print dialog.
std::pair<int, int> pagesToPrint(const PageModel& model, const QPrinter& printer);
// Paints the pages the printer asks for onto a set-up printer (the preview's and the print's
// path).
void printPages(const PageModel& model, QPrinter& printer);

// Told of each page done (pages done so far, pages in all) before the next one; false stops
// the work.
using Progress = std::function<bool(int done, int total)>;

// Prints the pages the printer asks for, telling `progress`; a stop aborts the print job.
// False when stopped.
bool printPages(const PageModel& model, QPrinter& printer, const Progress& progress);

// Writes the model to a PDF file, replacing it. False with the reason when it cannot; false
// with no reason when `progress` stopped it. The file is written beside its name and takes the
// name only when complete, so a stopped or failed save leaves the named file as it was.
bool writePdf(const PageModel& model, const QString& path, const QString& title, QString* error = nullptr,
              const Progress& progress = {});

} // namespace report
