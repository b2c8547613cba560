#include "ui/FluentListView.h"

#include <QSignalBlocker>

#include "app/base/DpiScale.h"
#include "ui/FluentCheckButton.h"

FluentListView::FluentListView(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setPressable(false);
    setItems(QStringList());
}

void FluentListView::setItems(const QStringList& names) {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_current = -1;
    for (const QString& name : names) {
        auto* button = new FluentCheckButton(QStringLiteral("  ") + name, this);
        button->setBackgroundVisible(false);
        connect(button, &FluentCheckButton::radioToggled, this, &FluentListView::onToggled);
        button->show();
        m_buttons.append(button);
    }
    setFixedHeight(dpiScaled(32) * (names.size() + 1));
    layoutItems();
}

QStringList FluentListView::items() const {
    QStringList names;
    for (const FluentCheckButton* button : m_buttons) names.append(button->title().mid(2));
    return names;
}

void FluentListView::setCurrentIndex(int index) {
    m_updating = true;
    for (int i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setChecked(i == index);
    m_updating = false;
    m_current = index >= 0 && index < m_buttons.size() ? index : -1;
}

void FluentListView::onToggled(bool checked) {
    if (m_updating) return;
    auto* button = qobject_cast<FluentCheckButton*>(sender());
    const int index = m_buttons.indexOf(button);
    if (index < 0) return;
    if (!checked) {
        // Clicking the checked item again keeps it checked: a radio list always keeps its choice.
        if (index == m_current) {
            const QSignalBlocker blocker(button);
            button->setChecked(true);
        }
        return;
    }
    setCurrentIndex(index);
    emit currentIndexChanged(index);
}

QRect FluentListView::titleRect() const { return QRect(0, 0, width(), dpiScaled(32)); }

void FluentListView::resizeEvent(QResizeEvent* event) {
    FluentLabel::resizeEvent(event);
    layoutItems();
}

void FluentListView::layoutItems() {
    const int h = dpiScaled(32);
    for (int i = 0; i < m_buttons.size(); ++i) m_buttons[i]->setGeometry(0, h * (i + 1), width(), h);
}
