#include "app/Access.h"

#include "app/Form1.h"
#include "db/Instances.h"
#include "reports/Form18.h"

#include <QCryptographicHash>

namespace {
// sha256("tabel/access/7f3a91c2/" + code) of each code.
struct CodeHash {
    const char* hex;
    Role role;
};
const CodeHash Codes[] = {
    {"8291cce5df4ec341b83e95067a09f21fc3dde30a0b136c150349378cfa9ec687", Role::Full},
    {"f9ec9257712175f6814f821f186aa980df39543ea03aa6348f078979b67ec0bd", Role::Full},
    {"c2f7ad36b19589b54c3b067a8fa3e0a5f9d0d2565d76b3f53f096709dab95d2c", Role::Budget},
    {"657b0a3416bc1af57b2452f625b0f475edccae86ac768b79d12539ad3062fd93", Role::Foreman},
    {"4db945b325f503865fc650408503039821cf69f38910735e9ea3a03f8b02c72b", Role::Depot},
};

Role currentRole = Role::None;

void enable(Form1& form, QObject* control, bool allowed) {
    const bool on = allowed && !form.unavailable.contains(control);
    if (auto* w = qobject_cast<QWidget*>(control))
        w->setEnabled(on);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setEnabled(on);
}
} // namespace

namespace Access {

QString trimmed(const QString& typed) {
    qsizetype begin = 0, end = typed.size();
    while (begin < end && typed[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && typed[end - 1].unicode() <= ' ')
        --end;
    return typed.mid(begin, end - begin);
}

Role roleOfCode(const QString& typed) {
    const QByteArray digest = QCryptographicHash::hash("tabel/access/7f3a91c2/" + trimmed(typed).toUtf8(),
                                                       QCryptographicHash::Sha256)
                                  .toHex();
    for (const CodeHash& c : Codes)
        if (digest == c.hex) return c.role;
    return Role::None;
}

Role current() {
    return currentRole;
}
void setCurrent(Role role) {
    currentRole = role;
}

void applyToJournal(Role role, Form1& f) {
    const bool office = role == Role::Budget;
    const bool masters = role == Role::Foreman;
    const bool warehouse = role == Role::Depot;
    // The budget office reaches the timesheet menu for the month close and the journal of
    // changes only; the timesheets themselves stay full access's.
    enable(f, f.N11, role == Role::Full || office);
    for (QObject* c : std::initializer_list<QObject*>{f.N9, f.N13, f.N14, f.N15, f.N17})
        enable(f, c, role == Role::Full || role == Role::None);
    for (QObject* c : std::initializer_list<QObject*>{f.NMonthClose, f.NChanges})
        enable(f, c, role == Role::Full || office || role == Role::None);
    enable(f, f.N2, !(office || masters || warehouse));
    enable(f, f.Button1, !(office || warehouse));
    enable(f, f.Button2, !(office || masters || warehouse));
    enable(f, f.Button3, !(office || masters || warehouse));
    for (QObject* c : std::initializer_list<QObject*>{f.RadioButton1, f.RadioButton2, f.RadioButton3,
                                                      f.RadioButton4, f.CBox1, f.Button8, f.DateT})
        enable(f, c, !office);
    // The budget office reads the journal: its grid scrolls and selects, and its double click
    // confirms nothing (mayConfirm).
    enable(f, f.DBGrid2, true);
    // Open to every role.
    for (QObject* c : std::initializer_list<QObject*>{f.N7->menuAction(), f.N5, f.Button5, f.Button4})
        enable(f, c, true);
    if (auto* reports = instanceOf<Form18>()) applyToReports(role, *reports);
}

void applyToReports(Role role, Form18& f) {
    const bool restricted = role == Role::Foreman || role == Role::Depot;
    for (QPushButton* b : {f.Button1, f.Button2, f.Button4, f.Button6})
        b->setEnabled(!restricted);
    if (role == Role::Depot) f.setKindIndex(1);
    f.RadioGroup1->setEnabled(role != Role::Depot);
}

QString code(Role role) {
    switch (role) {
    case Role::Full:
        return QStringLiteral("full");
    case Role::Budget:
        return QStringLiteral("office");
    case Role::Foreman:
        return QStringLiteral("masters");
    case Role::Depot:
        return QStringLiteral("warehouse");
    case Role::None:
        break;
    }
    return {};
}

bool mayConfirm(Role role) {
    return role != Role::Foreman && role != Role::Budget;
}

} // namespace Access
