#pragma once

#include <QVariantMap>
#include <QWidget>

// A thin bevelled bar the user drags along one axis. It resizes nothing itself: while dragged it
// reports the position it is about to take, and the container may change it or refuse it.
class ctlSize : public QWidget {
    Q_OBJECT

public:
    // Arguments of Moving; the container may change NewTop, NewLeft and Cancel.
    struct MoveArgs {
        int Button = 0;
        int Shift = 0;
        double X = 0;
        double Y = 0;
        double NewTop = 0;
        double NewLeft = 0;
        bool Cancel = false;
    };

    explicit ctlSize(QWidget* parent = nullptr);

    int Bevel() const { return m_bevel; }
    void setBevel(int value); // 0 flat, 1 raised, 2 sunken; other values are ignored
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int value); // 1 to 21 pixels
    bool GoAbove() const { return m_goAbove; }
    void setGoAbove(bool value);
    bool GoBelow() const { return m_goBelow; }
    void setGoBelow(bool value);
    int Orientation() const { return m_orientation; }
    void setOrientation(int value); // 0 horizontal bar moving up and down, 1 vertical bar
    const QWidget* hWnd() const { return this; }

    // The stored set: values equal to their stored default are left out.
    QVariantMap writeProperties() const;
    void readProperties(const QVariantMap& stored);
    bool isChanged() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }

    // The colours of the four edge lines (left, top, right, bottom) for the current bevel.
    QColor lineColor(int line) const;

signals:
    void Moving(ctlSize::MoveArgs& args);
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void forceThickness();

    int m_bevel = 0;
    int m_bevelWidth = 2;
    bool m_goAbove = false;
    bool m_goBelow = false;
    int m_orientation = 0;
    bool m_changed = false;
};
