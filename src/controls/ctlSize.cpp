#include "ctlSize.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// The event arguments of the bar's mouse events: the button and shift masks of the form events.
int buttonMask(Qt::MouseButtons b) {
    int mask = 0;
    if (b & Qt::LeftButton)
        mask |= 1;
    if (b & Qt::RightButton)
        mask |= 2;
    if (b & Qt::MiddleButton)
        mask |= 4;
    return mask;
}

int shiftMask(Qt::KeyboardModifiers m) {
    int mask = 0;
    if (m & Qt::ShiftModifier)
        mask |= 1;
    if (m & Qt::ControlModifier)
        mask |= 2;
    if (m & Qt::AltModifier)
        mask |= 4;
    return mask;
}

} // namespace

ctlSize::ctlSize(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setOrientation(0);
    m_changed = false;
    resize(100, m_bevelWidth);
}

void ctlSize::setBevel(int value) {
    if (value < 0 || value > 2)
        return;
    m_bevel = value;
    m_changed = true;
    update();
}

void ctlSize::setBevelWidth(int value) {
    if (value < 1 || value > 21)
        return;
    m_bevelWidth = value;
    m_changed = true;
    forceThickness();
}

void ctlSize::setGoAbove(bool value) {
    m_goAbove = value;
    m_changed = true;
}

void ctlSize::setGoBelow(bool value) {
    m_goBelow = value;
    m_changed = true;
}

void ctlSize::setOrientation(int value) {
    if (value != 0 && value != 1)
        return;
    if (value != m_orientation) {
        const QSize old = size();
        m_orientation = value;
        resize(old.height(), old.width());
    }
    m_changed = true;
    setCursor(m_orientation == 0 ? Qt::SizeVerCursor : Qt::SizeHorCursor);
}

QVariantMap ctlSize::writeProperties() const {
    QVariantMap out;
    if (m_bevel != 1)
        out.insert(QStringLiteral("Bevel"), m_bevel);
    if (m_bevelWidth != 2)
        out.insert(QStringLiteral("BevelWidth"), m_bevelWidth);
    if (m_goAbove)
        out.insert(QStringLiteral("GoAbove"), true);
    if (m_goBelow)
        out.insert(QStringLiteral("GoBelow"), true);
    if (m_orientation != 0)
        out.insert(QStringLiteral("Orientation"), m_orientation);
    return out;
}

void ctlSize::readProperties(const QVariantMap& stored) {
    setBevel(stored.value(QStringLiteral("Bevel"), 1).toInt());
    setBevelWidth(stored.value(QStringLiteral("BevelWidth"), 2).toInt());
    setGoAbove(stored.value(QStringLiteral("GoAbove"), false).toBool());
    setGoBelow(stored.value(QStringLiteral("GoBelow"), false).toBool());
    setOrientation(stored.value(QStringLiteral("Orientation"), 0).toInt());
    m_changed = false;
}

QColor ctlSize::lineColor(int line) const {
    const QPalette& p = palette();
    const QColor face = p.color(QPalette::Button);
    const QColor light = p.color(QPalette::Light);
    const QColor shadow = p.color(QPalette::Dark);
    const bool nearEdge = line == 0 || line == 1;
    switch (m_bevel) {
    case 1:
        return nearEdge ? light : shadow;
    case 2:
        return nearEdge ? shadow : light;
    default:
        return face;
    }
}

void ctlSize::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(lineColor(0));
    painter.drawLine(0, 0, 0, h - 1);
    painter.setPen(lineColor(1));
    painter.drawLine(0, 0, w - 1, 0);
    painter.setPen(lineColor(2));
    painter.drawLine(w - 1, 0, w - 1, h - 1);
    painter.setPen(lineColor(3));
    painter.drawLine(0, h - 1, w - 1, h - 1);
}

void ctlSize::forceThickness() {
    if (m_orientation == 0 && height() != m_bevelWidth)
        resize(width(), m_bevelWidth);
    else if (m_orientation == 1 && width() != m_bevelWidth)
        resize(m_bevelWidth, height());
}

void ctlSize::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    forceThickness();
}

void ctlSize::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseDown(buttonMask(event->buttons()), shiftMask(event->modifiers()), p.x(), p.y());
}

void ctlSize::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseUp(buttonMask(event->button()), shiftMask(event->modifiers()), p.x(), p.y());
}

void ctlSize::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    const int button = buttonMask(event->buttons());
    const int shift = shiftMask(event->modifiers());
    emit MouseMove(button, shift, p.x(), p.y());
    if (button == 0)
        return;

    MoveArgs args{button, shift, p.x(), p.y(), double(y()), double(x()), false};
    // The bar's edge jumps to the pointer, held inside the parent unless allowed out.
    const QWidget* parent = parentWidget();
    if (m_orientation == 0) {
        double top = y() + p.y();
        if (!m_goAbove && parent && top + m_bevelWidth > parent->height())
            top = parent->height() - m_bevelWidth;
        if (!m_goBelow && top < 0)
            top = 0;
        args.NewTop = top;
    } else {
        double left = x() + p.x();
        if (!m_goAbove && parent && left + m_bevelWidth > parent->width())
            left = parent->width() - m_bevelWidth;
        if (!m_goBelow && left < 0)
            left = 0;
        args.NewLeft = left;
    }
    emit Moving(args);
    if (!args.Cancel)
        move(qRound(args.NewLeft), qRound(args.NewTop));
}
