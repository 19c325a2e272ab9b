#include "BoneList.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

namespace figurant {

BoneList::BoneList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    // Names are shown whole, a deep finger's too: the list scrolls sideways rather than cut them.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setIndentation(12);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Keys go to the view, where they pose: the list is chosen from with the mouse.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_showing || !boneChosen) return;
        const QList<QTreeWidgetItem*> items = selectedItems();
        boneChosen(items.isEmpty() ? -1 : items.front()->data(0, Qt::UserRole).toInt());
    });
}

void BoneList::Fill(const std::vector<BoneListEntry>& bones) {
    m_showing = true;
    clear();
    m_items.clear();
    for (const BoneListEntry& entry : bones) {
        if (entry.bone < 0) continue;
        if (static_cast<std::size_t>(entry.bone) >= m_items.size())
            m_items.resize(static_cast<std::size_t>(entry.bone) + 1);
        QTreeWidgetItem* parent = entry.parent >= 0 && static_cast<std::size_t>(entry.parent) < m_items.size()
                                      ? m_items[static_cast<std::size_t>(entry.parent)]
                                      : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, QString::fromStdString(entry.name));
        item->setData(0, Qt::UserRole, entry.bone);
        m_items[static_cast<std::size_t>(entry.bone)] = item;
    }
    expandAll();
    updateGeometry(); // the names' width asks for room anew
    m_showing = false;
}

QSize BoneList::sizeHint() const {
    // At most this share of the screen's width goes to the list at first.
    constexpr double kMostScreenShare = 0.3;
    const QSize base = QTreeWidget::sizeHint();
    const int names = sizeHintForColumn(0) + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    const QScreen* screen = this->screen();
    const int most =
        screen ? static_cast<int>(kMostScreenShare * screen->availableGeometry().width()) : names;
    return {std::max(base.width(), std::min(names, most)), base.height()};
}

void BoneList::Show(int bone) {
    m_showing = true;
    QTreeWidgetItem* item = bone >= 0 && static_cast<std::size_t>(bone) < m_items.size()
                                ? m_items[static_cast<std::size_t>(bone)]
                                : nullptr;
    if (item) {
        setCurrentItem(item);
        scrollToItem(item);
    } else {
        clearSelection();
    }
    m_showing = false;
}

} // namespace figurant
