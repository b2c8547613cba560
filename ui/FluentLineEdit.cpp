#include "ui/FluentLineEdit.h"

#include <QLabel>

#include "app/base/DpiScale.h"
#include "ui/iLineEdit.h"

FluentLineEdit::FluentLineEdit(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setPressable(false);
    m_edit = new iLineEdit(this);
    m_description = new QLabel(this);
    m_description->setStyleSheet(QStringLiteral("color: #666666;padding: 8px;line-height:120"));
    QFont small = m_description->font();
    small.setPointSizeF(8);
    m_description->setFont(small);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->hide();
    connect(m_edit, &QLineEdit::editingFinished, this, &FluentLineEdit::onEditingFinished);
    layoutChildren();
}

void FluentLineEdit::setText(const QString& text) { m_edit->setText(text); }

QString FluentLineEdit::text() const { return m_edit->text(); }

void FluentLineEdit::setDescription(const QString& description) {
    m_description->setText(description);
    m_description->setVisible(!description.isEmpty());
    layoutChildren();
}

QString FluentLineEdit::description() const { return m_description->text(); }

void FluentLineEdit::onEditingFinished() { emit editingFinished(); }

QRect FluentLineEdit::titleRect() const { return QRect(0, 0, width(), dpiScaled(32)); }

void FluentLineEdit::resizeEvent(QResizeEvent* event) {
    FluentLabel::resizeEvent(event);
    layoutChildren();
}

void FluentLineEdit::layoutChildren() {
    const int row = dpiScaled(32);
    const int titleNeeds = 2 * dpiScaled(8) + dpiScaled(4) + fontMetrics().horizontalAdvance(title()) + dpiScaled(4);
    const int x = std::max(dpiScaled(74), titleNeeds);
    m_edit->setGeometry(x, 0, std::max(width() - x - dpiScaled(8), dpiScaled(40)), row);
    setReservedWidth(width() - x);
    int descriptionHeight = 0;
    if (!m_description->isHidden() && width() > 0) {
        descriptionHeight = m_description->heightForWidth(width());
        m_description->setGeometry(0, row, width(), descriptionHeight);
    }
    setFixedHeight(row + descriptionHeight);
}
