// The reusable controls: the file dialog's exchange, the message box behind the Ui seam, the
// splitter bar and the labelled text box.
#include "BrowseFixture.h"

#include "controls/ctlCmnDlg.h"
#include "controls/ctlLText.h"
#include "controls/ctlSize.h"
#include "controls/guiUi.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void showOpenAndSave();
    void enterPressesTheDefault_data();
    void enterPressesTheDefault();
    void drag_data();
    void drag();
    void orientationSwapsSize();
    void labelledTextBox();
};

// Open's default title (the import sets none); a cancel keeps every value, an accept takes them.
void TestControls::showOpenAndSave() {
    bool ok = false;
    QString title;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        title = x.title;
        x.fileName = QStringLiteral("/tmp/other");
        x.flags = 99;
        return ok;
    });
    ctlCmnDlg dlg;
    dlg.setFileName(QStringLiteral("/tmp/kept.ldr"));
    dlg.ShowOpen();
    QCOMPARE(title, QStringLiteral("Open"));
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/kept.ldr"));
    QCOMPARE(dlg.Flags(), 0);
    ok = true;
    dlg.ShowSave();
    QCOMPARE(dlg.LastError(), 0);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/other"));
    QCOMPARE(dlg.Flags(), 99);
}

// The real message box: Enter presses the default button the caller named.
void TestControls::enterPressesTheDefault_data() {
    QTest::addColumn<bool>("named");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("answer");
    QTest::newRow("Cancel named") << true << int(Ui::Answer::Cancel) << int(Ui::Answer::Cancel);
    QTest::newRow("No named") << true << int(Ui::Answer::No) << int(Ui::Answer::No);
    QTest::newRow("none named: the first") << false << 0 << int(Ui::Answer::Yes);
}

void TestControls::enterPressesTheDefault() {
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

void TestControls::drag_data() {
    QTest::addColumn<int>("dx"); // from the bar's middle
    QTest::addColumn<int>("left");
    // A vertical bar, as the main window uses, at 100 in a 400-pixel parent, 2 pixels thick. The
    // window's own tests drag its bars within their parent and have moves refused.
    QTest::newRow("a pixel left of the parent stops at 0") << -102 << 0;
    QTest::newRow("the whole bar stays inside on the right") << 298 << 398;
}

// The bar proposes where it goes; the container decides.
void TestControls::drag() {
    QFETCH(int, dx);
    QFETCH(int, left);
    QWidget parent;
    parent.resize(400, 300);
    auto* bar = new ctlSize(&parent);
    bar->setOrientation(1);
    bar->setGeometry(100, 0, 2, 300);
    double proposed = -1;
    QObject::connect(bar, &ctlSize::Moving, bar,
                     [&](const ctlSize::MoveArgs& a) { proposed = a.NewLeft; });
    QSignalSpy mouseMoves(bar, &ctlSize::MouseMove);
    // Without a button held the pointer only passes over it.
    BrowseFixture::moveOverBar(bar, dx, Qt::NoButton);
    QCOMPARE(mouseMoves.count(), 1);
    QCOMPARE(proposed, -1.0);
    BrowseFixture::moveOverBar(bar, dx);
    QCOMPARE(proposed, double(left));
    QCOMPARE(bar->pos(), QPoint(left, 0));
}

void TestControls::orientationSwapsSize() {
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

// Laid out beside its caption; Change comes after Text already holds the new value, for setting
// and for typing alike.
void TestControls::labelledTextBox() {
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

    QStringList seen;
    connect(&f, &ctlLText::Change, this, [&] { seen << f.Text(); });
    f.setText(QStringLiteral("readme.txt"));
    QCOMPARE(seen, QStringList{QStringLiteral("readme.txt")});
    seen.clear();
    f.textBox()->clear();
    QTest::keyClicks(f.textBox(), QStringLiteral("ab"));
    QCOMPARE(seen, (QStringList{QString(), QStringLiteral("a"), QStringLiteral("ab")}));

    // Entering the box selects its text (the program never turns this off).
    f.textBox()->setCursorPosition(1);
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(f.textBox(), &in);
    QCOMPARE(f.textBox()->selectedText(), QStringLiteral("ab"));

    // A text cut by MaxLength is what Text reports.
    f.setMaxLength(3);
    f.setText(QStringLiteral("abcdef"));
    QCOMPARE(f.Text(), QStringLiteral("abc"));
    // Narrower than the caption column: the box shrinks to nothing instead of failing.
    f.resize(50, 20);
    QCOMPARE(f.textBox()->width(), 0);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
