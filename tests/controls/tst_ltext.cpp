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
    void captionFromName();
    void focusSelectsAll_data();
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

void TestLText::captionFromName() {
    ctlLText named(QStringLiteral("ltxKeywords"), nullptr);
    QCOMPARE(named.label()->text(), QStringLiteral("ltxKeywords:"));
    // Named after construction, as a form does; a caption set by hand stays.
    ctlLText later;
    later.setObjectName(QStringLiteral("ltxComment"));
    QCOMPARE(later.Caption(), QStringLiteral("ltxComment:"));
    later.setCaption(QStringLiteral("Comment:"));
    later.setObjectName(QStringLiteral("ltxOther"));
    QCOMPARE(later.label()->text(), QStringLiteral("Comment:"));
}

void TestLText::focusSelectsAll_data() {
    QTest::addColumn<bool>("autoSelect");
    QTest::newRow("default: auto select on") << true;
    QTest::newRow("auto select off") << false;
}

void TestLText::focusSelectsAll() {
    QFETCH(bool, autoSelect);
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    if (!autoSelect)
        f.setAutoSelect(false);
    f.setText(QStringLiteral("keyword"));
    f.textBox()->setCursorPosition(3);
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(f.textBox(), &in);
    QCOMPARE(f.SelStart(), autoSelect ? 0 : 3);
    QCOMPARE(f.SelLength(), autoSelect ? 7 : 0);
    QCOMPARE(f.textBox()->selectedText(), autoSelect ? QStringLiteral("keyword") : QString());
}

void TestLText::layout() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setCaption(QStringLiteral("Name:"));
    f.setTextLeft(90);
    f.show(); // a hidden window gets its resize only when shown
    f.resize(300, 40);
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
