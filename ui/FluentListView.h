#pragma once

#include <QList>
#include <QStringList>
#include <QVariantList>

#include "ui/FluentLabel.h"

class FluentCheckButton;

// A settings row with its title above a list of check rows that behave as radio buttons: one item at most is
// checked. currentIndexChanged(int) reports the user's picks only.
class FluentListView : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentListView(const QString& title, QWidget* parent = nullptr);

    // Replaces the items; none is checked afterwards.
    void setItems(const QStringList& names);
    QStringList items() const;
    // Data kept with the items, by index (not shown).
    void setItemDataList(const QVariantList& data) { m_itemData = data; }
    QVariantList itemDataList() const { return m_itemData; }
    // Checks item `index` and unchecks the others, without currentIndexChanged; -1 unchecks all.
    void setCurrentIndex(int index);
    int currentIndex() const { return m_current; }
    FluentCheckButton* item(int index) const { return m_buttons.value(index); }
    int count() const { return m_buttons.size(); }

signals:
    void currentIndexChanged(int index);

public slots:
    void onToggled(bool checked);

protected:
    QRect titleRect() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutItems();

    QList<FluentCheckButton*> m_buttons;  // children
    QVariantList m_itemData;
    int m_current = -1;
    bool m_updating = false;
};
