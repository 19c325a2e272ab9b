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
#include <string>
#include <vector>

namespace figurant {

class CharacterList {
  public:
    struct Run {
        std::size_t first = 0, count = 0; // indices
        int joint = -1, segment = -1, material = -1;
    };

    // Pictures take at most this much graphics memory together (their mipmaps included); larger
    // ones are scaled down, halving until they fit.
    static constexpr std::size_t kMostTextureBytes = std::size_t{512} << 20;

    // Made for `character` (the context must be current); each triangle belongs to the bone
    // with the largest weight on it, and to that bone's segment. Each distinct picture is decoded
    // and uploaded once, however many materials share it. What the user should know (pictures
    // scaled down to fit), or empty.
    std::string Load(const std::shared_ptr<const Character>& character);
    // The context is going: everything in graphics memory with it.
    void Release();
    // Tied to the character object itself, not to its address: a new character allocated where
    // the last one was is still a new one.
    bool LoadedFor(const std::shared_ptr<const Character>& character) const {
        return m_buffers && !m_for.owner_before(character) && !character.owner_before(m_for) &&
               !m_for.expired();
    }
    // Pictures in graphics memory, and their bytes (mipmaps included).
    std::size_t TextureCount() const;
    std::size_t TextureBytes() const { return m_textureBytes; }
    // What the last load told the user, or empty.
    const std::string& Note() const { return m_note; }
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
    std::string LoadTextures(const std::vector<ImportMaterial>& materials);
    struct Buffers {
        QOpenGLBuffer vertex{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer uv{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer index{QOpenGLBuffer::IndexBuffer};
        std::vector<std::shared_ptr<QOpenGLTexture>> textures; // by material; null without one
    };
    std::unique_ptr<Buffers> m_buffers;
    std::weak_ptr<const Character> m_for;
    std::size_t m_textureBytes = 0;
    std::string m_note;
    std::vector<Run> m_runs;
    std::size_t m_vertexCount = 0;
    std::size_t m_lastUpdated = 0;
};

} // namespace figurant
