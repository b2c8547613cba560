#pragma once

#include <QWidget>

// The control window: a frameless top-level window owned by the main window (its Qt parent), so closing the
// main window closes it too. Holds no pages yet.
class KyControlWidget : public QWidget {
    Q_OBJECT

public:
    // Sized dpiScaled 260 x 320; hidden until start-up shows it.
    explicit KyControlWidget(QWidget* parent = nullptr);
};
