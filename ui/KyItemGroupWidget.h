#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class FluentLabel;
class QVBoxLayout;

// A vertical group of settings rows without gaps. It remembers its rows so a row can ask whether it is the
// first or the last one shown (those round their outer corners).
class KyItemGroupWidget : public QWidget {
    Q_OBJECT

public:
    explicit KyItemGroupWidget(QWidget* parent = nullptr);

    // Appends a row; the group becomes its parent.
    void addRow(FluentLabel* row);
    // The first and last of the rows that are not hidden; false for rows of other groups.
    bool isFirst(const FluentLabel* row) const;
    bool isLast(const FluentLabel* row) const;
    QList<FluentLabel*> rows() const;

private:
    QVBoxLayout* m_layout = nullptr;
    QList<QPointer<FluentLabel>> m_rows;
};
