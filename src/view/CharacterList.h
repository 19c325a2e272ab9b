#pragma once
// An imported character's surface in graphics memory: its triangles once, in runs of one
// material and one body segment each (the segment picks and selects, the material gives the
// look), their texture coordinates and pictures once, and the skinned positions and normals,
// which a new pose writes over in place.
#include "Character.h"
#include "SegmentList.h"

#include <QOpenGLBuffer>
#include <QOpenGLTexture>
#include <functional>
#include <memory>
#include <vector>

namespace figurant {

class CharacterList {
  public:
    struct Run {
        std::size_t first = 0, count = 0; // indices
        int joint = -1, segment = -1, material = -1;
    };

    // Made for `character` (the context must be current); each triangle belongs to the bone
    // with the largest weight on it, and to that bone's segment.
    void Load(const Character& character);
    // The context is going: everything in graphics memory with it.
    void Release();
    bool LoadedFor(const Character* character) const { return m_for == character && m_buffers; }
    // Position and normal of each surface vertex, side by side (six floats a vertex); only the
    // vertices from `first` to `last` (inclusive) are written to graphics memory.
    void Update(const std::vector<float>& interleaved, std::size_t first, std::size_t last);
    // How many vertices the last update wrote.
    std::size_t LastUpdated() const { return m_lastUpdated; }

    // Draws each run that `begin` accepts (it sets the colour or the pick name); with `looks`, runs
    // whose material has a picture are drawn with it.
    void Draw(FlushPacer& pacer, bool looks, const std::function<bool(const Run&)>& begin) const;
    const std::vector<Run>& Runs() const { return m_runs; }

  private:
    struct Buffers {
        QOpenGLBuffer vertex{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer uv{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer index{QOpenGLBuffer::IndexBuffer};
        std::vector<std::unique_ptr<QOpenGLTexture>> textures; // by material; null without one
    };
    std::unique_ptr<Buffers> m_buffers;
    const Character* m_for = nullptr;
    std::vector<Run> m_runs;
    std::size_t m_vertexCount = 0;
    std::size_t m_lastUpdated = 0;
};

} // namespace figurant
