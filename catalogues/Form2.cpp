#include "catalogues/Form2.h"

#include "catalogues/CatalogueSupport.h"
#include "catalogues/WorkerCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

Form2::Form2(QWidget* parent) : CatalogueDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Работники"));

    for (Query* q : {&department, &staffpos, &roles})
        q->setConnectionName(DataModule6::ConnectionName);
    cmd_person.setConnectionName(DataModule6::ConnectionName);
    department.setSql(QStringLiteral(
        "select id, id_branch, s_code, s_caption, s_description, id_parent from cmn_department.department"));
    staffpos.setSql(
        QStringLiteral("select id, id_department, s_code, s_caption, d_begin, d_end, s_description "
                       "from hrms_staffpos.staffpos"));
    roles.setSql(
        QStringLiteral("select id, s_name, s_caption, d_begin, d_end, b_active from adm_role.roles"));

    GroupBox1 = new QGroupBox(QStringLiteral("Данные о работнике"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, GroupBox1);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto lookup = [this](Query* source, const char* name) {
        auto* c = new LookupCombo(GroupBox1);
        c->setObjectName(QLatin1String(name));
        c->setListSource(source, QStringLiteral("id"), QStringLiteral("s_caption"));
        c->installEventFilter(this);
        return c;
    };
    Label1 = label(QStringLiteral("ФИО"), "Label1");
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(254);
    Label2 = label(QStringLiteral("Подразделение"), "Label2");
    LCB_department = lookup(&department, "LCB_department");
    Label3 = label(QStringLiteral("Должность"), "Label3");
    LCB_staffpos = lookup(&staffpos, "LCB_staffpos");
    Label4 = label(QStringLiteral("Роль"), "Label4");
    LCB_roles = lookup(&roles, "LCB_roles");
    Catalogue::boldTitle(GroupBox1);

    auto* fields = new QGridLayout(GroupBox1);
    fields->setContentsMargins(8, 4, 8, 6);
    fields->setVerticalSpacing(4);
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(LCB_department, 1, 1);
    fields->addWidget(Label3, 2, 0);
    fields->addWidget(LCB_staffpos, 2, 1);
    fields->addWidget(Label4, 3, 0);
    fields->addWidget(LCB_roles, 3, 1);
    fields->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(GroupBox1);
    layout->addLayout(saveCancelRow());
    setFixedSize(418, 192);

    setTabOrder(Edit1, LCB_staffpos);
    setTabOrder(LCB_staffpos, LCB_department);
    setTabOrder(LCB_department, LCB_roles);
    setTabOrder(LCB_roles, Button1);
    setTabOrder(Button1, Button2);
}

void Form2::reopenLookups() {
    for (Query* q : {&staffpos, &roles, &department})
        q->reopen();
}

void Form2::FormActivate() {
    Edit1->setFocus();
}

// The wheel steps the focused lookup list wherever the pointer is; an unfocused list under
// the pointer is not turned by it.
bool Form2::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel && watched->isWidgetType()) {
        wheel(static_cast<QWheelEvent*>(e));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void Form2::wheelEvent(QWheelEvent* e) {
    wheel(e);
}

void Form2::wheel(QWheelEvent* e) {
    e->accept();
    const int dy = e->angleDelta().y();
    if (dy < 0)
        guarded([this] { FormMouseWheelDown(); });
    else if (dy > 0)
        guarded([this] { FormMouseWheelUp(); });
}

void Form2::FormMouseWheelDown() {
    stepFocusedList(Qt::Key_Down);
}

void Form2::FormMouseWheelUp() {
    stepFocusedList(Qt::Key_Up);
}

void Form2::stepFocusedList(int key) {
    for (LookupCombo* list : wheelLists()) {
        if (focusWidget() != list) continue;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &release);
    }
}

void Form2::Button1Click() {
    if (WorkerCatalogue::save(cmd_person, Tag, PersonId, Edit1->text(), LCB_department->shownText()))
        accept();
}
