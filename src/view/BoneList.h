#pragma once
// The bone list: an imported character's skeleton as a tree, names as in its file, for reaching
// bones a click hardly finds (fingers, spine links). Choosing a bone selects it in the view; the
// view's selection is shown here.
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

namespace figurant {

struct BoneListEntry {
    std::string name;
    int parent = -1; // an earlier entry's bone, or -1
    int bone = -1;   // the figure's bone number
};

class BoneList : public QTreeWidget {
  public:
    explicit BoneList(QWidget* parent = nullptr);
    // The tree of `bones` (parents listed before their children); empty for none.
    void Fill(const std::vector<BoneListEntry>& bones);
    // Marks the bone as selected (-1: none), without telling boneChosen.
    void Show(int bone);
    std::function<void(int)> boneChosen;
    // Asks for the list to be shown or hidden (its dock's business).
    std::function<void(bool)> wanted;
    // Wide enough for its deepest, longest name (up to a share of the screen); the dock it sits in
    // can be dragged wider or narrower.
    QSize sizeHint() const override;

  private:
    std::vector<QTreeWidgetItem*> m_items; // by bone number
    bool m_showing = false;
};

} // namespace figurant
