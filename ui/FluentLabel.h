#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QVariant>

class QVariantAnimation;
class SlidingStackedWidget;

// A settings row: title on the left, optional value text and chevron on the right, a press highlight that
// fades out over 150 ms. Subclasses reserve room at the right for their control. Fixed height dpiScaled 32.
class FluentLabel : public QPushButton {
    Q_OBJECT

public:
    explicit FluentLabel(QWidget* parent = nullptr);
    FluentLabel(const QString& title, QWidget* parent = nullptr);

    // Also sets the button text and recomputes the elided texts.
    void setTitle(const QString& title);
    QString title() const { return m_title; }
    void setValueText(const QString& value);
    // The texts as painted after elision (title at its right end, value in the middle).
    // Computed for the current width, also while the row is hidden (no resize event reaches it then).
    QString elidedTitle() const;
    QString elidedValue() const;
    // A trailing chevron marks rows that open a sub-page.
    void setChevron(bool shown);
    void setItemData(const QVariant& data) { m_itemData = data; }
    QVariant itemData() const { return m_itemData; }
    // Index of the sub-page this row opens in the nearest enclosing SlidingStackedWidget; -1 (default): none.
    void setLinkIndex(int index) { m_linkIndex = index; }
    int linkIndex() const { return m_linkIndex; }
    // Rows are pressable (highlight on press) by default.
    void setPressable(bool pressable) { m_pressable = pressable; }
    // Current press highlight, 0 (rest) to 1 (pressed).
    double highlight() const { return m_highlight; }
    // Whether the row paints its own white background (rows inside a list view leave it to the list).
    void setBackgroundVisible(bool visible);

signals:
    // The row was clicked and links to sub-page `index` of `stack`; `page` is the stack's page holding the row.
    void emitPageCall(QWidget* page, SlidingStackedWidget* stack, int index);

public slots:
    void internalClicked();
    void onUpdateValue(const QVariant& value);

protected:
    // Width kept free at the right for a subclass's control (device pixels).
    void setReservedWidth(int width);
    int reservedWidth() const { return m_reservedWidth; }
    // The strip that holds the title; the whole row by default.
    virtual QRect titleRect() const;
    // Right edge (exclusive) of the value text, left of the chevron and the reserved control.
    int valueRight() const;
    void updateElidedTexts() const;
    void paintRowBackground(QPainter& painter, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The background colour for a highlight value h in [0, 1].
    static QColor highlightColor(double h);

    QString m_title;
    mutable QString m_elidedTitle;
    QString m_value;
    mutable QString m_elidedValue;
    bool m_chevron = false;
    QPixmap m_chevronPixmap;
    int m_reservedWidth = 0;
    bool m_pressed = false;
    bool m_pressable = true;
    bool m_backgroundVisible = true;
    double m_highlight = 0.0;
    QVariantAnimation* m_highlightAnimation = nullptr;  // child
    QVariant m_itemData;
    int m_linkIndex = -1;
};
