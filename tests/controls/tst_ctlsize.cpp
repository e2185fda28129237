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
    void drag_data();
    void drag();
    void orientationSwapsSize();
};

void TestCtlSize::drag_data() {
    QTest::addColumn<int>("pointerX");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("left");
    // A vertical bar, as the main window uses, at 100 in a 400-pixel parent, 2 pixels thick.
    QTest::newRow("inside") << 30 << false << 130;
    QTest::newRow("a pixel left of the parent stops at 0") << -101 << false << 0;
    QTest::newRow("the whole bar stays inside on the right") << 299 << false << 398;
    QTest::newRow("refused by the container") << 30 << true << 100;
}

// The bar proposes where it goes; the container decides.
void TestCtlSize::drag() {
    QFETCH(int, pointerX);
    QFETCH(bool, cancel);
    QFETCH(int, left);
    QWidget parent;
    parent.resize(400, 300);
    auto* bar = new ctlSize(&parent);
    bar->setOrientation(1);
    bar->setGeometry(100, 0, 2, 300);
    double proposed = -1;
    QObject::connect(bar, &ctlSize::Moving, bar, [&](ctlSize::MoveArgs& a) {
        proposed = a.NewLeft;
        a.Cancel = cancel;
    });
    QSignalSpy mouseMoves(bar, &ctlSize::MouseMove);
    // Without a button held the pointer only passes over it.
    mouseMove(bar, QPointF(pointerX, 5), Qt::NoButton);
    QCOMPARE(mouseMoves.count(), 1);
    QCOMPARE(proposed, -1.0);
    mouseMove(bar, QPointF(pointerX, 5), Qt::LeftButton);
    QCOMPARE(proposed, cancel ? 130.0 : double(left));
    QCOMPARE(bar->pos(), QPoint(left, 0));
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
