#include "controls/ctlLText.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

class TestLText : public QObject {
    Q_OBJECT

private slots:
    void textAndChange();
    void focusSelectsAll();
    void layout();
};

// Change comes after Text already holds the new value, for setting and for typing alike.
void TestLText::textAndChange() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    QStringList seen;
    connect(&f, &ctlLText::Change, this, [&] { seen << f.Text(); });
    f.setText(QStringLiteral("readme.txt"));
    QCOMPARE(seen, QStringList{QStringLiteral("readme.txt")});
    QCOMPARE(f.Text(), QStringLiteral("readme.txt"));

    seen.clear();
    f.textBox()->clear();
    QTest::keyClicks(f.textBox(), QStringLiteral("ab"));
    QCOMPARE(seen, (QStringList{QString(), QStringLiteral("a"), QStringLiteral("ab")}));

    // A text cut by MaxLength is what Text reports.
    f.setMaxLength(3);
    f.setText(QStringLiteral("abcdef"));
    QCOMPARE(f.Text(), QStringLiteral("abc"));
}

// Entering the box selects its text (the program never turns this off).
void TestLText::focusSelectsAll() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setText(QStringLiteral("keyword"));
    f.textBox()->setCursorPosition(3);
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(f.textBox(), &in);
    QCOMPARE(f.SelStart(), 0);
    QCOMPARE(f.SelLength(), 7);
    QCOMPARE(f.textBox()->selectedText(), QStringLiteral("keyword"));
}

void TestLText::layout() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setCaption(QStringLiteral("Name:"));
    f.setTextLeft(90);
    f.show(); // a hidden window gets its resize only when shown
    f.resize(300, 40);
    QCOMPARE(f.label()->text(), QStringLiteral("Name:"));
    QCOMPARE(f.textBox()->geometry(), QRect(90, 0, 210, 40));
    const QRect label = f.label()->geometry();
    QCOMPARE(label.left(), 0);
    QCOMPARE(label.top(), (40 - label.height()) / 2);
    // Narrower than the caption column: the box shrinks to nothing instead of failing.
    f.resize(50, 20);
    QCOMPARE(f.textBox()->width(), 0);
}

QTEST_MAIN(TestLText)
#include "tst_ltext.moc"
