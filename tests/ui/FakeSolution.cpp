#include "ui/FakeSolution.h"

#include <QCloseEvent>

namespace mnx::test {

void FakeMainWindow::closeEvent(QCloseEvent* event) {
    ++closes;
    QWidget::closeEvent(event);
}

}  // namespace mnx::test
