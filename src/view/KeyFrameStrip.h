#pragma once
// The key-frame strip: the current animation's key frames as numbered marks, the playhead between
// them. A click on a mark asks for that key frame, a press or drag elsewhere scrubs through the
// steps between key frames, the context menu asks for its commands. It holds no animation itself:
// the view tells it what to show and is told what the user did.
#include <QWidget>

#include <functional>

namespace figurant {

class KeyFrameStrip : public QWidget {
  public:
    explicit KeyFrameStrip(QWidget* parent = nullptr);

    // `count` key frames, the selected one (-1 for none), the playhead in key frames from the first.
    void Show(int count, int selected, double playhead);
    int Count() const { return m_count; }
    int Selected() const { return m_selected; }
    double Playhead() const { return m_playhead; }
    // Where a key frame's mark is drawn, and the playhead position of a place on the strip.
    int MarkX(int key) const;
    double PositionAt(int x) const;

    std::function<void(int)> keyClicked;
    std::function<void(double)> scrubbed;
    std::function<void()> scrubEnded;
    std::function<void(const QPoint&)> contextMenu;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    int m_count = 0, m_selected = -1;
    double m_playhead = 0;
};

} // namespace figurant
