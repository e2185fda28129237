#pragma once

#include <QColor>
#include <QVariantMap>
#include <QWidget>

class QLabel;
class QLineEdit;

// A caption label with a one-line text box to its right, placed by the dialogs as one piece.
// The kept properties can be saved to and restored from a property set; a value equal to its
// default is left out of the set.
class ctlLText : public QWidget {
    Q_OBJECT

public:
    explicit ctlLText(QWidget* parent = nullptr);
    // The form knows the control by name; the caption defaults to that name and ":".
    ctlLText(const QString& name, QWidget* parent);

    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool value);
    QString Caption() const { return m_caption; }
    void setCaption(const QString& value);
    // Enabled is the widget's own state: disabling greys the caption and the box together.
    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool value);
    bool Locked() const { return m_locked; }
    void setLocked(bool value);
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int value);
    QString PasswordChar() const { return m_passwordChar; }
    void setPasswordChar(const QString& value);
    QString Text() const { return m_text; }
    void setText(const QString& value);
    QColor TextBackColor() const { return m_textBackColor; }
    void setTextBackColor(const QColor& value);
    int SelStart() const;
    void setSelStart(int value);
    int SelLength() const;
    void setSelLength(int value);

    // Where the text box begins; dialogs align their fields by giving each the same value.
    int textLeft() const { return m_textLeft; }
    void setTextLeft(int left);

    // The property set: read fills absent names with their defaults; write leaves them out.
    void readProperties(const QVariantMap& stored);
    QVariantMap writeProperties() const;
    // True once a kept property was set since the last read or write of the set.
    bool propertiesChanged() const { return m_changed; }

    QLabel* label() const { return lbl1; }
    QLineEdit* textBox() const { return txt1; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // After every change of the box's text, once Text() already holds it.
    void Change();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void layOut();
    void applyBackColor();
    QString defaultCaption() const;
    QColor defaultBackColor() const;

    QLabel* lbl1 = nullptr;
    QLineEdit* txt1 = nullptr;

    bool m_autoSelect = true;
    QString m_caption;
    bool m_locked = false;
    int m_maxLength = 0;
    QString m_passwordChar;
    QString m_text;
    QColor m_textBackColor;
    int m_textLeft = -1;      // -1: just after the caption
    QString m_defaultCaption; // the caption the current name gives
    mutable bool m_changed = false;
};
