#pragma once

#include "ui/FluentLabel.h"

class QLabel;
class iLineEdit;

// A settings row with a text field at its right and an optional wrapped description under it (the row grows
// to fit the description). editingFinished() is the field's.
class FluentLineEdit : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentLineEdit(const QString& title, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    void setDescription(const QString& description);
    QString description() const;
    iLineEdit* lineEdit() const { return m_edit; }
    QLabel* descriptionLabel() const { return m_description; }

signals:
    void editingFinished();

public slots:
    void onEditingFinished();

protected:
    QRect titleRect() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    iLineEdit* m_edit = nullptr;   // child
    QLabel* m_description = nullptr;  // child
};
