#pragma once
// "Норматив": the norms of one operation, edited in place. Each value is stored as soon as
// the user leaves the cell in which it was changed; "Сохранить" (also Enter and Escape)
// stores the last pending value, refreshes the operations list and closes the window.
#include "catalogues/NormTable.h"
#include "forms/FormDialog.h"

#include <QPushButton>
#include <QTableView>

// The norms grid: the view with a way to store the value of an editor still open.
class NormGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    // Stores and closes the editor of the current cell, if one is open.
    void commitOpenEditor();
    // Closes the editor of the current cell, if one is open, storing nothing of it.
    void discardOpenEditor();
};

class Form22 : public FormDialog {
    Q_OBJECT
public:
    explicit Form22(QWidget* parent = nullptr);

    NormGrid* DBGrid1;
    QPushButton* Button2; // Удалить
    QPushButton* Button1; // Сохранить
    NormTable norm;

    // Shows the norms of operation `operationId` modally.
    void openFor(int operationId);

    // Asked when the window closes on an operation that has no norm (only a new one can).
    inline static const QString NoNormQuestion = QStringLiteral(
        "У операции нет ни одного норматива, поэтому в списке операций её не будет. Завести норматив "
        "сейчас?");

public slots:
    void FormActivate() override;
    void Button1Click();
    void Button2Click();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // True when the window may close: the operation has a norm, or the user leaves it without one.
    bool mayClose();
    // Re-reads the operations list on the same row, so its lowest price and count are current.
    void rereadOperations();
    bool closeBox_ = false;
};
