#include "controls/guiUi.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// The real message box behind the Ui seam: Enter presses the default button the caller named.
class TestGuiUi : public QObject {
    Q_OBJECT

private slots:
    void enterPressesTheDefault_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel named") << true << int(Ui::Answer::Cancel) << int(Ui::Answer::Cancel);
        QTest::newRow("No named") << true << int(Ui::Answer::No) << int(Ui::Answer::No);
        QTest::newRow("none named: the first") << false << 0 << int(Ui::Answer::Yes);
    }
    void enterPressesTheDefault() {
        QFETCH(bool, named);
        QFETCH(int, defaultButton);
        QFETCH(int, answer);
        WidgetUi ui;
        QString title;
        QTimer::singleShot(0, this, [&title] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const QString text = QStringLiteral("That drive exist in database as \"A\".");
        const Ui::Answer a = named ? ui.ask(text, Ui::Buttons::YesNoCancel, Ui::Icon::Question,
                                            Ui::Answer(defaultButton))
                                   : ui.message(text, Ui::Buttons::YesNoCancel, Ui::Icon::Question);
        QCOMPARE(title, QStringLiteral("Ledra"));
        QCOMPARE(int(a), answer);
    }
};

QTEST_MAIN(TestGuiUi)
#include "tst_guiui.moc"
