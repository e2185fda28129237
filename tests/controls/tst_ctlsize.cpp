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
    void ranges_data();
    void ranges();
    void storedDefaults();
    void dragLimits_data();
    void dragLimits();
    void containerDecides();
    void moveWithoutButton();
    void orientationSwapsSize();
    void bevelColours();
};

void TestCtlSize::ranges_data() {
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("BevelWidth 0") << "BevelWidth" << 0 << false;
    QTest::newRow("BevelWidth 1") << "BevelWidth" << 1 << true;
    QTest::newRow("BevelWidth 21") << "BevelWidth" << 21 << true;
    QTest::newRow("BevelWidth 22") << "BevelWidth" << 22 << false;
    QTest::newRow("Bevel -1") << "Bevel" << -1 << false;
    QTest::newRow("Bevel 2") << "Bevel" << 2 << true;
    QTest::newRow("Bevel 3") << "Bevel" << 3 << false;
    QTest::newRow("Orientation 1") << "Orientation" << 1 << true;
    QTest::newRow("Orientation 2") << "Orientation" << 2 << false;
}

void TestCtlSize::ranges() {
    QFETCH(QString, property);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    ctlSize bar;
    auto get = [&] {
        return property == QLatin1String("Bevel")        ? bar.Bevel()
               : property == QLatin1String("BevelWidth") ? bar.BevelWidth()
                                                         : bar.Orientation();
    };
    const int before = get();
    if (property == QLatin1String("Bevel"))
        bar.setBevel(value);
    else if (property == QLatin1String("BevelWidth"))
        bar.setBevelWidth(value);
    else
        bar.setOrientation(value);
    QCOMPARE(get(), accepted ? value : before);
    // The thickness follows the width across the bar's axis.
    if (property == QLatin1String("BevelWidth"))
        QCOMPARE(bar.height(), bar.BevelWidth());
}

void TestCtlSize::storedDefaults() {
    ctlSize fresh;
    QCOMPARE(fresh.Bevel(), 0); // a new bar is flat
    QVERIFY(!fresh.isChanged());
    ctlSize stored;
    stored.readProperties({});
    QCOMPARE(stored.Bevel(), 1); // a stored bar without "Bevel" is raised
    QCOMPARE(stored.BevelWidth(), 2);
    QVERIFY(stored.writeProperties().isEmpty());
    stored.setGoAbove(true);
    stored.setBevel(0);
    QVERIFY(stored.isChanged());
    const QVariantMap out = stored.writeProperties();
    QCOMPARE(out.value(QStringLiteral("Bevel")).toInt(), 0);
    QCOMPARE(out.value(QStringLiteral("GoAbove")).toBool(), true);
    QCOMPARE(out.size(), 2);
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
    mouseMove(bar, QPointF(30, 5), Qt::LeftButton);
    QCOMPARE(proposed, 130.0);
    QCOMPARE(bar->pos(), QPoint(100, 0));
    cancel = false;
    mouseMove(bar, QPointF(30, 5), Qt::LeftButton);
    QCOMPARE(bar->pos(), QPoint(130, 7));
}

void TestCtlSize::moveWithoutButton() {
    QWidget parent;
    auto* bar = new ctlSize(&parent);
    QSignalSpy moving(bar, &ctlSize::Moving);
    QSignalSpy mouseMoves(bar, &ctlSize::MouseMove);
    mouseMove(bar, QPointF(3, 1), Qt::NoButton);
    QCOMPARE(mouseMoves.count(), 1);
    QCOMPARE(moving.count(), 0);
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

void TestCtlSize::bevelColours() {
    ctlSize bar;
    const QPalette& p = bar.palette();
    bar.setBevel(1);
    QCOMPARE(bar.lineColor(0), p.color(QPalette::Light));
    QCOMPARE(bar.lineColor(3), p.color(QPalette::Dark));
    bar.setBevel(2);
    QCOMPARE(bar.lineColor(1), p.color(QPalette::Dark));
    QCOMPARE(bar.lineColor(2), p.color(QPalette::Light));
    bar.setBevel(0);
    QCOMPARE(bar.lineColor(2), p.color(QPalette::Button));
}

QTEST_MAIN(TestCtlSize)
#include "tst_ctlsize.moc"
