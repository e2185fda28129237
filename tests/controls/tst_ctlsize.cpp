#include "controls/ctlSize.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

void mouseMove(ctlSize* bar, QPointF local, Qt::MouseButtons buttons) {
    QMouseEvent e(QEvent::MouseMove, local, bar->mapToGlobal(local), Qt::NoButton, buttons,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &e);
}

} // namespace

class TestCtlSize : public QObject {
    Q_OBJECT

private slots:
    void ranges();
    void dragLimits_data();
    void dragLimits();
    void containerDecides();
    void orientationSwapsSize();
};

// Values out of range are refused and leave the last good one.
void TestCtlSize::ranges() {
    ctlSize bar;
    auto width = [&](int w) {
        bar.setBevelWidth(w);
        return bar.BevelWidth();
    };
    auto bevel = [&](int b) {
        bar.setBevel(b);
        return bar.Bevel();
    };
    QCOMPARE(width(21), 21);
    QCOMPARE(width(22), 21);
    QCOMPARE(width(1), 1);
    QCOMPARE(width(0), 1);
    QCOMPARE(bar.height(), 1); // the thickness follows the width across the bar's axis
    QCOMPARE(bevel(2), 2);
    QCOMPARE(bevel(3), 2);
    QCOMPARE(bevel(0), 0);
    QCOMPARE(bevel(-1), 0);
    bar.setOrientation(2);
    QCOMPARE(bar.Orientation(), 0);
}

void TestCtlSize::dragLimits_data() {
    QTest::addColumn<bool>("goAbove");
    QTest::addColumn<bool>("goBelow");
    QTest::addColumn<int>("pointerY");
    QTest::addColumn<int>("top");
    // The bar stands at 100 in a 300-pixel parent, 2 pixels thick.
    QTest::newRow("inside") << false << false << 50 << 150;
    QTest::newRow("above the parent stops at 0") << false << false << -500 << 0;
    QTest::newRow("below stops on the bottom edge") << false << false << 500 << 298;
    QTest::newRow("GoBelow lets it go negative") << false << true << -150 << -50;
    QTest::newRow("GoAbove lets it go past the bottom") << true << false << 500 << 600;
}

void TestCtlSize::dragLimits() {
    QFETCH(bool, goAbove);
    QFETCH(bool, goBelow);
    QFETCH(int, pointerY);
    QFETCH(int, top);
    QWidget parent;
    parent.resize(400, 300);
    auto* bar = new ctlSize(&parent);
    bar->setGeometry(0, 100, 400, 2);
    bar->setGoAbove(goAbove);
    bar->setGoBelow(goBelow);
    mouseMove(bar, QPointF(10, pointerY), Qt::LeftButton);
    QCOMPARE(bar->y(), top);
    QCOMPARE(bar->x(), 0);
}

void TestCtlSize::containerDecides() {
    QWidget parent;
    parent.resize(400, 300);
    auto* bar = new ctlSize(&parent);
    bar->setOrientation(1);
    bar->setGeometry(100, 0, 2, 300);
    bool cancel = true;
    double proposed = 0;
    QObject::connect(bar, &ctlSize::Moving, bar, [&](ctlSize::MoveArgs& a) {
        proposed = a.NewLeft;
        a.Cancel = cancel;
        a.NewTop = 7;
    });
    QSignalSpy mouseMoves(bar, &ctlSize::MouseMove);
    // Without a button held the pointer only passes over it.
    mouseMove(bar, QPointF(30, 5), Qt::NoButton);
    QCOMPARE(mouseMoves.count(), 1);
    QCOMPARE(proposed, 0.0);
    mouseMove(bar, QPointF(30, 5), Qt::LeftButton);
    QCOMPARE(proposed, 130.0);
    QCOMPARE(bar->pos(), QPoint(100, 0));
    cancel = false;
    mouseMove(bar, QPointF(30, 5), Qt::LeftButton);
    QCOMPARE(bar->pos(), QPoint(130, 7));
}

void TestCtlSize::orientationSwapsSize() {
    QWidget parent;
    auto* bar = new ctlSize(&parent);
    bar->setBevelWidth(4);
    bar->resize(120, 4);
    bar->setOrientation(1);
    QCOMPARE(bar->size(), QSize(4, 120));
    QCOMPARE(bar->cursor().shape(), Qt::SizeHorCursor);
    // A resize cannot make it thicker than its bevel width.
    parent.show();
    bar->resize(40, 200);
    QCOMPARE(bar->size(), QSize(4, 200));
}

QTEST_MAIN(TestCtlSize)
#include "tst_ctlsize.moc"
