#include "controls/ctlLText.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestLText : public QObject {
    Q_OBJECT

private slots:
    void textAndChange();
    void captionFromName();
    void enabledGreysBoth();
    void boxProperties();
    void storedSet_data();
    void storedSet();
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
    QCOMPARE(f.Text(), QStringLiteral("ab"));

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

    ctlLText stored(QStringLiteral("ltxName"), nullptr);
    stored.readProperties({{QStringLiteral("Caption"), QStringLiteral("Name:")}});
    QCOMPARE(stored.label()->text(), QStringLiteral("Name:"));
}

void TestLText::enabledGreysBoth() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setEnabledState(false);
    QVERIFY(!f.label()->isEnabled());
    QVERIFY(!f.textBox()->isEnabled());
    QVERIFY(!f.Enabled());
    QCOMPARE(f.writeProperties().value(QStringLiteral("Enabled")), QVariant(false));
    f.setEnabledState(true);
    QVERIFY(f.label()->isEnabled() && f.textBox()->isEnabled());
}

// The selection reads and writes the box directly and is clamped to its text.
void TestLText::boxProperties() {
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setText(QStringLiteral("abcdef"));
    f.setSelStart(2);
    f.setSelLength(3);
    QCOMPARE(f.textBox()->selectedText(), QStringLiteral("cde"));
    QCOMPARE(f.SelStart(), 2);
    QCOMPARE(f.SelLength(), 3);
    // Out-of-range selections are clamped, not refused.
    f.setSelLength(100);
    QCOMPARE(f.SelLength(), 4);
}

// Each row: a stored property, a non-default value; absent it reads as the default and a default
// value is never written.
void TestLText::storedSet_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("AutoSelect") << QStringLiteral("AutoSelect") << QVariant(false);
    QTest::newRow("Caption") << QStringLiteral("Caption") << QVariant(QStringLiteral("Name:"));
    QTest::newRow("Enabled") << QStringLiteral("Enabled") << QVariant(false);
    QTest::newRow("Locked") << QStringLiteral("Locked") << QVariant(true);
    QTest::newRow("MaxLength") << QStringLiteral("MaxLength") << QVariant(64);
    QTest::newRow("PasswordChar") << QStringLiteral("PasswordChar")
                                  << QVariant(QStringLiteral("*"));
    QTest::newRow("Text") << QStringLiteral("Text") << QVariant(QStringLiteral("x\"y"));
    QTest::newRow("TextBackColor") << QStringLiteral("TextBackColor") << QVariant(QColor(Qt::red));
}

void TestLText::storedSet() {
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    ctlLText fresh(QStringLiteral("ltxName"), nullptr);
    QVERIFY(fresh.writeProperties().isEmpty());
    QCOMPARE(fresh.Caption(), QStringLiteral("ltxName:"));
    QCOMPARE(fresh.TextBackColor(), QApplication::palette().color(QPalette::Base));

    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.readProperties({{name, value}});
    QVERIFY(!f.propertiesChanged());
    const QVariantMap written = f.writeProperties();
    QCOMPARE(written.keys(), QStringList{name});
    QCOMPARE(written.value(name), value);

    // Setting a kept property marks the set as changed.
    f.setMaxLength(7);
    QVERIFY(f.propertiesChanged());
}

void TestLText::focusSelectsAll_data() {
    QTest::addColumn<bool>("autoSelect");
    QTest::newRow("auto select on") << true;
    QTest::newRow("auto select off") << false;
}

void TestLText::focusSelectsAll() {
    QFETCH(bool, autoSelect);
    ctlLText f(QStringLiteral("ltxName"), nullptr);
    f.setAutoSelect(autoSelect);
    f.setText(QStringLiteral("keyword"));
    f.textBox()->setCursorPosition(3);
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(f.textBox(), &in);
    QCOMPARE(f.SelStart(), autoSelect ? 0 : 3);
    QCOMPARE(f.SelLength(), autoSelect ? 7 : 0);
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
