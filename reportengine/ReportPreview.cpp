#include "reportengine/ReportPreview.h"

#include "db/Messages.h"
#include "reportengine/ReportPainter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsView>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

class PreviewWindowViewer final : public ReportViewer {
public:
    void preview(const report::PageModel& model, const PreviewRequest& request) override {
        ReportPreview preview(model, request, QApplication::activeWindow());
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
    : QPrintPreviewDialog(parent), model_(model), request_(request) {
    setObjectName(QStringLiteral("ReportPreview"));
    request_.fileName = safeFileName(request_.fileName);
    setWindowTitle(request.title);
    // Maximized; its normal size is the whole screen too, for desktops that do not maximize.
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    // The dialog paints its pages only when it is first shown: the printer is set up before.
    report::setUpPrinter(model_, *printer());
    printer()->setDocName(QFileInfo(request_.fileName).completeBaseName());
    view_ = findChild<QPrintPreviewWidget*>();
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { report::printPages(model_, *printer); });

    save_ = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Сохранить в PDF"),
                        this);
    save_->setObjectName(QStringLiteral("saveAction"));
    connect(save_, &QAction::triggered, this, &ReportPreview::saveClick);
    if (auto* toolbar = findChild<QToolBar*>()) {
        toolbar->addSeparator();
        toolbar->addAction(save_);
    }
    translateActions();

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

void ReportPreview::showEvent(QShowEvent* e) {
    QPrintPreviewDialog::showEvent(e);
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
    QString reason;
    if (report::writePdf(model_, path, request_.title, &reason)) return true;
    messages().error(Caption::Error,
                     QStringLiteral("Не удалось сохранить отчет в файл %1: %2").arg(path, reason));
    return false;
}
