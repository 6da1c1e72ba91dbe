// The real message boxes, driven once as a user would: caption, icon, buttons and answer.
#include "forms/MessageBoxes.h"
#include "tests/support/ModalDriver.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class TestMessageBoxes : public QObject {
    Q_OBJECT
    MessageBoxes boxes;

    // Presses the button with `text` in the next message box; records what it showed.
    void answer(const QString& text, QString* caption, QString* body, QMessageBox::Icon* icon,
                QStringList* buttons) {
        whenModal([=](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return false;
            *caption = box->windowTitle();
            *body = box->text();
            *icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                *buttons << b->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == text) b->click();
            return true;
        });
    }

private slots:
    void questionShowsRussianYesAndNo_data() {
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("result");
        QTest::newRow("yes") << "Да" << true;
        QTest::newRow("no") << "Нет" << false;
    }
    void questionShowsRussianYesAndNo() {
        QFETCH(QString, press);
        QFETCH(bool, result);
        QString caption, body;
        QMessageBox::Icon icon{};
        QStringList buttons;
        answer(press, &caption, &body, &icon, &buttons);
        QCOMPARE(boxes.question("Удаление", "Удалить позицию из списка?"), result);
        QCOMPARE(caption, QString("Удаление"));
        QCOMPARE(body, QString("Удалить позицию из списка?"));
        QCOMPARE(icon, QMessageBox::Question);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Да", "Нет"}));
    }

    // Enter answers the button that is the default: Yes for an ordinary question, No for a
    // doubt, so that one Enter never stores a doubtful value.
    void enterTakesTheDefaultAnswer_data() {
        QTest::addColumn<bool>("doubt");
        QTest::addColumn<QString>("defaultButton");
        QTest::newRow("question") << false << "Да";
        QTest::newRow("doubt") << true << "Нет";
    }
    void enterTakesTheDefaultAnswer() {
        QFETCH(bool, doubt);
        QFETCH(QString, defaultButton);
        QString seenDefault;
        whenModal([&seenDefault](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return false;
            seenDefault = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Return);
            return true;
        });
        const QString text = "Кол-во 999999999 — больше 100000 штук в одной позиции. Записать?";
        const bool yes = doubt ? boxes.doubt("Проверка", text) : boxes.question("Проверка", text);
        QCOMPARE(seenDefault, defaultButton);
        QCOMPARE(yes, !doubt);
    }

    void errorHasItsIconAndOk() {
        QString caption, body;
        QMessageBox::Icon icon{};
        QStringList buttons;
        answer("OK", &caption, &body, &icon, &buttons);
        boxes.error("Ошибка", "Введены неверные данные.");
        QCOMPARE(caption, QString("Ошибка"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QStringList{"OK"});
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
