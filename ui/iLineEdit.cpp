#include "ui/iLineEdit.h"

iLineEdit::iLineEdit(QWidget* parent) : QLineEdit(parent) {
    setStyleSheet(QStringLiteral("background-color:transparent;border: 0px"));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}
