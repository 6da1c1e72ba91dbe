#include "reportengine/ReportPreview.h"

#include "db/Messages.h"
#include "reportengine/ReportPainter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

class PreviewWindowViewer final : public ReportViewer {
public:
    void preview(report::Layout& layout, const PreviewRequest& request) override {
        ReportPreview preview(layout, request, QApplication::activeWindow());
        preview.exec();
    }
};

PreviewWindowViewer windowViewer;
ReportViewer* installed = nullptr;

// A file name without the characters file systems refuse.
QString safeFileName(QString name) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name)
        if (refused.contains(c) || c.unicode() < 32) c = u'-';
    return name.trimmed();
}

} // namespace

ReportViewer& reportViewer() {
    return installed ? *installed : windowViewer;
}

ReportViewer* setReportViewer(ReportViewer* viewer) {
    ReportViewer* previous = installed;
    installed = viewer;
    return previous;
}

ReportPreview::ReportPreview(const report::PageModel& model, const PreviewRequest& request, QWidget* parent)
    : ReportPreview(*new report::Layout(model), request, parent) {
    owned_.reset(layout_);
}

ReportPreview::~ReportPreview() = default;

ReportPreview::ReportPreview(report::Layout& layout, const PreviewRequest& request, QWidget* parent)
    : QPrintPreviewDialog(parent), layout_(&layout), request_(request) {
    setObjectName(QStringLiteral("ReportPreview"));
    request_.fileName = safeFileName(request_.fileName);
    setWindowTitle(request.title);
    // Maximized; its normal size is the whole screen too, for desktops that do not maximize.
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    // The dialog paints its pages only when it is first shown: the printer is set up before.
    report::setUpPrinter(layout_->model(), *printer());
    printer()->setDocName(QFileInfo(request_.fileName).completeBaseName());
    view_ = findChild<QPrintPreviewWidget*>();
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { paint(*printer); });
    // The page count sits beside the page number's box.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        if (QWidget* box = edit->parentWidget())
            if (auto* label = box->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
                pageCount_ = label;
    connect(view_, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::updatePageCount);
    slicer_.setInterval(0);
    connect(&slicer_, &QTimer::timeout, this, &ReportPreview::layOutSlice);

    save_ = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Сохранить в PDF"),
                        this);
    save_->setObjectName(QStringLiteral("saveAction"));
    connect(save_, &QAction::triggered, this, &ReportPreview::saveClick);
    if (auto* toolbar = findChild<QToolBar*>()) {
        toolbar->addSeparator();
        toolbar->addAction(save_);
    }
    translateActions();
    // Printing goes through the preview's own steps, with their progress.
    for (QAction* action : findChildren<QAction*>()) {
        if (action->text() != QStringLiteral("Печать")) continue;
        print_ = action;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, &ReportPreview::printClick);
    }
    save_->setEnabled(layout_->done());
    if (print_) print_->setEnabled(layout_->done());

    chooseFile = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить отчет"), suggested,
                                            QStringLiteral("PDF (*.pdf)"));
    };
}

void ReportPreview::translateActions() {
    // The toolbar speaks the program's language. The page is fixed by the report, so the
    // orientation and page setup buttons are not offered.
    struct Text {
        const char* source;
        const char* text;
    };
    static const Text texts[] = {
        {"Next page", "Следующая страница"},
        {"Previous page", "Предыдущая страница"},
        {"First page", "Первая страница"},
        {"Last page", "Последняя страница"},
        {"Fit width", "По ширине страницы"},
        {"Fit page", "Страница целиком"},
        {"Zoom in", "Увеличить"},
        {"Zoom out", "Уменьшить"},
        {"Show single page", "Одна страница"},
        {"Show facing pages", "Две страницы рядом"},
        {"Show overview of all pages", "Все страницы"},
        {"Print", "Печать"},
        {"Portrait", nullptr},
        {"Landscape", nullptr},
        {"Page setup", nullptr},
    };
    for (QAction* action : findChildren<QAction*>()) {
        for (const Text& t : texts) {
            if (action->text() != QCoreApplication::translate("QPrintPreviewDialog", t.source)) continue;
            if (t.text)
                action->setText(QString::fromUtf8(t.text));
            else
                action->setVisible(false);
        }
    }
}

QString ReportPreview::pageCountText() const {
    return pageCount_ ? pageCount_->text() : QString();
}

void ReportPreview::updatePageCount() {
    if (pageCount_ && !layout_->done()) pageCount_->setText(QStringLiteral("/ …"));
}

void ReportPreview::paint(QPrinter& printer) {
    if (!layout_->done()) {
        // The pages laid out so far (the first one at least).
        try {
            layout_->firstPageReady();
        } catch (const report::ReportError&) {
            // Reported by the slices.
        }
        QPainter painter(&printer);
        for (int i = 0; i < layout_->finishedPages(); ++i) {
            if (i > 0) printer.newPage();
            report::paintPage(layout_->model(), i, painter);
        }
        return;
    }
    if (!printing_) {
        report::printPages(layout_->model(), printer);
        return;
    }
    std::unique_ptr<QProgressDialog> dialog;
    printStopped_ =
        !report::printPages(layout_->model(), printer, progress(QStringLiteral("Печать отчета…"), dialog));
}

void ReportPreview::layOutSlice() {
    // Slices short enough to keep the window answering.
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    try {
        while (!(done = layout_->advance(20)) && clock.elapsed() < 30) {
        }
    } catch (const report::ReportError& e) {
        slicer_.stop();
        messages().error(Caption::Error, e.message());
        return;
    }
    if (!done) return;
    slicer_.stop();
    view_->updatePreview();
    save_->setEnabled(true);
    if (print_) print_->setEnabled(true);
    emit layoutFinished();
}

report::Progress ReportPreview::progress(const QString& text, std::unique_ptr<QProgressDialog>& holder) {
    holder = std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, 1, this);
    QProgressDialog* dialog = holder.get();
    dialog->setWindowTitle(request_.title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(300);
    dialog->setAutoReset(false);
    return [dialog](int done, int total) {
        dialog->setMaximum(std::max(total, 1));
        dialog->setValue(done);
        // The window answers, and "Отмена" is heard, between pages.
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    };
}

void ReportPreview::printClick() {
    if (!layout_->done()) return;
    QPrintDialog dialog(printer(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    printing_ = true;
    printStopped_ = false;
    view_->print();
    printing_ = false;
    if (!printStopped_) accept();
}

void ReportPreview::showEvent(QShowEvent* e) {
    QPrintPreviewDialog::showEvent(e);
    if (!layout_->done() && !slicer_.isActive()) slicer_.start();
    updatePageCount();
    if (zoomed_) return;
    zoomed_ = true;
    // Through the dialog's own buttons, so the toolbar shows the zoom in use.
    const char* fit = request_.wholePage ? "fitPageAction" : "fitWidthAction";
    if (auto* action = findChild<QAction*>(QLatin1String(fit))) action->trigger();
    // The widget centres its current page after every re-layout, which shows the middle of a
    // page taller than the window, or the next page: the view goes back to the top.
    if (auto* pages = view_ ? view_->findChild<QGraphicsView*>() : nullptr) {
        pages->installEventFilter(this);
        pages->viewport()->installEventFilter(this);
    }
    QTimer::singleShot(0, this, [this] { showFirstPageTop(); });
}

void ReportPreview::showFirstPageTop() {
    auto* pages = view_ ? view_->findChild<QGraphicsView*>() : nullptr;
    if (!pages) return;
    view_->setCurrentPage(1);
    pages->verticalScrollBar()->setValue(pages->verticalScrollBar()->minimum());
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* e) {
    if (!userMoved_) {
        switch (e->type()) {
        case QEvent::Resize:
            QTimer::singleShot(0, this, [this] {
                if (!userMoved_) showFirstPageTop();
            });
            break;
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
            userMoved_ = true;
            break;
        default:
            break;
        }
    }
    return QPrintPreviewDialog::eventFilter(watched, e);
}

void ReportPreview::saveClick() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = chooseFile(this, QDir(folder).filePath(request_.fileName));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    savePdf(path);
}

bool ReportPreview::savePdf(const QString& path) {
    if (!layout_->done()) return false;
    QString reason;
    std::unique_ptr<QProgressDialog> dialog;
    if (report::writePdf(layout_->model(), path, request_.title, &reason,
                         progress(QStringLiteral("Сохранение отчета в PDF…"), dialog)))
        return true;
    if (reason.isEmpty()) return false; // stopped
    messages().error(Caption::Error,
                     QStringLiteral("Не удалось сохранить отчет в файл %1: %2").arg(path, reason));
    return false;
}
