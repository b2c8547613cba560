#pragma once

#include <QPixmap>

#include "ui/FluentLabel.h"

// A checkable settings row that shows an accent-coloured check mark at its right while checked.
class FluentCheckButton : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentCheckButton(const QString& title, QWidget* parent = nullptr);

signals:
    // The checked state changed (by the user or by code).
    void radioToggled(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_check;
};
