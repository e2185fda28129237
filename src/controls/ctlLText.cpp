#include "ctlLText.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QTimer>

namespace {

// QLineEdit's own "no limit".
constexpr int kUnlimited = 32767;
// Room between the caption and the box when no common text left is set.
constexpr int kGap = 6;

} // namespace

ctlLText::ctlLText(QWidget* parent) : QWidget(parent) {
    build();
}

ctlLText::ctlLText(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    build();
}

void ctlLText::build() {
    lbl1 = new QLabel(this);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    txt1 = new QLineEdit(this);
    txt1->setObjectName(QStringLiteral("txt1"));
    lbl1->setBuddy(txt1);
    setFocusProxy(txt1);
    txt1->installEventFilter(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    connect(txt1, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_text = text;
        emit Change();
    });

    readProperties({});
    // A control named after it was made still gets its name as caption, unless one was set.
    connect(this, &QObject::objectNameChanged, this, [this] {
        const QString next = defaultCaption();
        if (m_caption == m_defaultCaption) {
            m_caption = next;
            lbl1->setText(next);
            layOut();
        }
        m_defaultCaption = next;
    });
}

QString ctlLText::defaultCaption() const {
    return objectName() + u':';
}

QColor ctlLText::defaultBackColor() const {
    return QApplication::palette().color(QPalette::Base);
}

void ctlLText::setAutoSelect(bool value) {
    m_autoSelect = value;
    m_changed = true;
}

void ctlLText::setCaption(const QString& value) {
    m_caption = value;
    m_changed = true;
    lbl1->setText(value);
    layOut();
}

void ctlLText::setEnabledState(bool value) {
    setEnabled(value);
}

void ctlLText::setLocked(bool value) {
    m_locked = value;
    m_changed = true;
    txt1->setReadOnly(value);
}

void ctlLText::setMaxLength(int value) {
    m_maxLength = value < 0 ? 0 : value;
    m_changed = true;
    txt1->setMaxLength(m_maxLength == 0 ? kUnlimited : m_maxLength);
}

void ctlLText::setPasswordChar(const QString& value) {
    m_passwordChar = value.left(1);
    m_changed = true;
    // The platform draws its own mask character; any non-empty value hides what is typed.
    txt1->setEchoMode(m_passwordChar.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
}

void ctlLText::setText(const QString& value) {
    m_changed = true;
    // The box's change notification copies the text back and raises Change.
    txt1->setText(value);
    // A text cut by MaxLength, or equal to the old one, raises nothing: keep the box's text.
    m_text = txt1->text();
}

void ctlLText::setTextBackColor(const QColor& value) {
    m_textBackColor = value;
    m_changed = true;
    applyBackColor();
}

void ctlLText::applyBackColor() {
    QPalette p = txt1->palette();
    p.setColor(QPalette::Base, m_textBackColor);
    txt1->setPalette(p);
}

int ctlLText::SelStart() const {
    return txt1->hasSelectedText() ? txt1->selectionStart() : txt1->cursorPosition();
}

void ctlLText::setSelStart(int value) {
    txt1->setCursorPosition(qBound(0, value, int(txt1->text().size())));
}

int ctlLText::SelLength() const {
    return txt1->hasSelectedText() ? int(txt1->selectionLength()) : 0;
}

void ctlLText::setSelLength(int value) {
    const int start = SelStart();
    const int length = qBound(0, value, int(txt1->text().size()) - start);
    if (length == 0)
        txt1->setCursorPosition(start);
    else
        txt1->setSelection(start, length);
}

void ctlLText::setTextLeft(int left) {
    m_textLeft = left;
    layOut();
    updateGeometry();
}

void ctlLText::readProperties(const QVariantMap& stored) {
    setAutoSelect(stored.value(QStringLiteral("AutoSelect"), true).toBool());
    m_defaultCaption = defaultCaption();
    setCaption(stored.value(QStringLiteral("Caption"), m_defaultCaption).toString());
    setEnabled(stored.value(QStringLiteral("Enabled"), true).toBool());
    setLocked(stored.value(QStringLiteral("Locked"), false).toBool());
    setMaxLength(stored.value(QStringLiteral("MaxLength"), 0).toInt());
    setPasswordChar(stored.value(QStringLiteral("PasswordChar"), QString()).toString());
    setText(stored.value(QStringLiteral("Text"), QString()).toString());
    const QColor back = stored.value(QStringLiteral("TextBackColor")).value<QColor>();
    setTextBackColor(back.isValid() ? back : defaultBackColor());
    m_changed = false;
}

QVariantMap ctlLText::writeProperties() const {
    QVariantMap out;
    if (!m_autoSelect)
        out.insert(QStringLiteral("AutoSelect"), false);
    if (m_caption != defaultCaption())
        out.insert(QStringLiteral("Caption"), m_caption);
    if (!isEnabled())
        out.insert(QStringLiteral("Enabled"), false);
    if (m_locked)
        out.insert(QStringLiteral("Locked"), true);
    if (m_maxLength != 0)
        out.insert(QStringLiteral("MaxLength"), m_maxLength);
    if (!m_passwordChar.isEmpty())
        out.insert(QStringLiteral("PasswordChar"), m_passwordChar);
    if (!m_text.isEmpty())
        out.insert(QStringLiteral("Text"), m_text);
    if (m_textBackColor != defaultBackColor())
        out.insert(QStringLiteral("TextBackColor"), m_textBackColor);
    m_changed = false;
    return out;
}

QSize ctlLText::sizeHint() const {
    const int left = m_textLeft >= 0 ? m_textLeft : lbl1->sizeHint().width() + kGap;
    const QSize box = txt1->sizeHint();
    return {left + box.width(), qMax(box.height(), lbl1->sizeHint().height())};
}

QSize ctlLText::minimumSizeHint() const {
    const int left = m_textLeft >= 0 ? m_textLeft : lbl1->sizeHint().width() + kGap;
    return {left + txt1->minimumSizeHint().width(), sizeHint().height()};
}

void ctlLText::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void ctlLText::layOut() {
    // The caption stays at the left, centred vertically; the box fills the rest. Geometry is
    // clamped, so a size too small for the box simply leaves it narrow.
    const QSize label = lbl1->sizeHint();
    const int left = m_textLeft >= 0 ? m_textLeft : label.width() + kGap;
    lbl1->setGeometry(0, (height() - label.height()) / 2, qMin(label.width(), qMax(0, left)),
                      label.height());
    txt1->setGeometry(left, 0, qMax(0, width() - left), height());
}

bool ctlLText::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txt1 && event->type() == QEvent::FocusIn && m_autoSelect) {
        // Selected after the event, so that the click that gave the focus does not undo it.
        QPointer<QLineEdit> box = txt1;
        QTimer::singleShot(0, box, [box] {
            if (box && box->hasFocus())
                box->selectAll();
        });
        txt1->selectAll();
    }
    return QWidget::eventFilter(watched, event);
}

void ctlLText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        m_changed = true;
    QWidget::changeEvent(event);
}
