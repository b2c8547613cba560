#pragma once

#include <QLineEdit>

// The transparent, borderless text field of a FluentLineEdit.
class iLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit iLineEdit(QWidget* parent = nullptr);
};
