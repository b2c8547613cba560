#include "ui/KyItemGroupWidget.h"

#include <QVBoxLayout>

#include "ui/FluentLabel.h"

KyItemGroupWidget::KyItemGroupWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void KyItemGroupWidget::addRow(FluentLabel* row) {
    m_layout->addWidget(row);
    m_rows.append(row);
}

QList<FluentLabel*> KyItemGroupWidget::rows() const {
    QList<FluentLabel*> shown;
    for (const QPointer<FluentLabel>& row : m_rows) {
        if (row && !row->isHidden()) shown.append(row.data());
    }
    return shown;
}

bool KyItemGroupWidget::isFirst(const FluentLabel* row) const {
    const QList<FluentLabel*> shown = rows();
    return !shown.isEmpty() && shown.first() == row;
}

bool KyItemGroupWidget::isLast(const FluentLabel* row) const {
    const QList<FluentLabel*> shown = rows();
    return !shown.isEmpty() && shown.last() == row;
}
