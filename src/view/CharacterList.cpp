#include "CharacterList.h"

#include <GL/gl.h>
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string_view>

namespace figurant {

namespace {

constexpr GLsizei kStride = 6 * sizeof(float);

const void* Offset(std::size_t bytes) {
    return reinterpret_cast<const void*>(bytes);
}

// A picture's bytes in graphics memory: four a pixel, and a third more for its mipmaps.
std::size_t TextureBytesOf(const QImage& image) {
    return static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()) * 4 * 4 / 3;
}

// A decoded picture, rows turned bottom-up as OpenGL counts them (the reader gives texture
// coordinates from the bottom left), in graphics memory.
std::shared_ptr<QOpenGLTexture> Texture(const QImage& image) {
    auto texture =
        std::make_shared<QOpenGLTexture>(image.mirrored().convertToFormat(QImage::Format_RGBA8888));
    texture->setMinificationFilter(QOpenGLTexture::LinearMipMapLinear);
    texture->setMagnificationFilter(QOpenGLTexture::Linear);
    texture->setWrapMode(QOpenGLTexture::Repeat);
    return texture;
}

} // namespace

std::string CharacterList::Load(const std::shared_ptr<const Character>& character) {
    Release();
    const Character& c = *character;
    const CharacterSurface& s = c.surface;
    // Triangles sorted into runs by material, then bone.
    std::map<std::pair<int, int>, std::vector<std::uint32_t>> byRun;
    for (const CharacterSurface::Part& part : s.parts)
        for (std::size_t t = part.firstTriangle; t < part.firstTriangle + part.triangleCount; ++t) {
            auto& indices = byRun[{part.material, c.StrongestJoint(t)}];
            for (int v : s.triangles[t])
                indices.push_back(static_cast<std::uint32_t>(v));
        }
    std::vector<std::uint32_t> indices;
    for (const auto& [key, run] : byRun) {
        const int joint = key.second;
        const int segment = joint >= 0 ? c.joints[static_cast<std::size_t>(joint)].segment : -1;
        m_runs.push_back({indices.size(), run.size(), joint, segment, key.first});
        indices.insert(indices.end(), run.begin(), run.end());
    }
    if (indices.size() * sizeof(std::uint32_t) > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        s.positions.size() * kStride > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        m_runs.clear();
        return {};
    }
    m_buffers = std::make_unique<Buffers>();
    m_for = character;
    m_vertexCount = s.positions.size();
    m_buffers->index.create();
    m_buffers->index.bind();
    m_buffers->index.allocate(indices.data(), static_cast<int>(indices.size() * sizeof(std::uint32_t)));
    m_buffers->index.release();
    m_buffers->vertex.create();
    m_buffers->vertex.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    m_buffers->vertex.bind();
    m_buffers->vertex.allocate(static_cast<int>(m_vertexCount * kStride));
    m_buffers->vertex.release();
    if (!s.uvs.empty()) {
        m_buffers->uv.create();
        m_buffers->uv.bind();
        m_buffers->uv.allocate(s.uvs.data(), static_cast<int>(s.uvs.size() * sizeof(s.uvs[0])));
        m_buffers->uv.release();
        m_note = LoadTextures(c.materials);
        return m_note;
    }
    return {};
}

// Materials that share a picture share its texture; when the distinct pictures together are
// larger than the cap, each is halved until they fit.
std::string CharacterList::LoadTextures(const std::vector<ImportMaterial>& materials) {
    std::map<std::string_view, std::size_t> pictureOf; // by bytes: the picture's index
    std::vector<QImage> pictures;
    std::vector<int> byMaterial;
    for (const ImportMaterial& material : materials) {
        const std::string_view bytes = material.textureBytes;
        auto found = pictureOf.find(bytes);
        if (found == pictureOf.end() && !bytes.empty()) {
            pictures.push_back(QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                                static_cast<int>(bytes.size())));
            found = pictureOf.emplace(bytes, pictures.size() - 1).first;
        }
        byMaterial.push_back(found == pictureOf.end() || pictures[found->second].isNull()
                                 ? -1
                                 : static_cast<int>(found->second));
    }
    auto total = [&] {
        std::size_t sum = 0;
        for (const QImage& p : pictures)
            sum += TextureBytesOf(p);
        return sum;
    };
    int halvings = 0;
    // Sixteen halvings make any picture a single pixel.
    constexpr int kMostHalvings = 16;
    for (; total() > kMostTextureBytes && halvings < kMostHalvings; ++halvings)
        for (QImage& p : pictures)
            if (!p.isNull() && (p.width() > 1 || p.height() > 1))
                p = p.scaled(std::max(1, p.width() / 2), std::max(1, p.height() / 2), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    std::vector<std::shared_ptr<QOpenGLTexture>> textures;
    for (const QImage& p : pictures)
        textures.push_back(p.isNull() ? nullptr : Texture(p));
    for (const int picture : byMaterial)
        m_buffers->textures.push_back(picture < 0 ? nullptr : textures[static_cast<std::size_t>(picture)]);
    m_textureBytes = total();
    if (halvings == 0) return {};
    return "the figure's pictures were scaled to 1/" + std::to_string(1 << halvings) +
           " of their size to fit the " + std::to_string(kMostTextureBytes >> 20) + " MB of picture memory";
}

std::size_t CharacterList::TextureCount() const {
    if (!m_buffers) return 0;
    std::vector<const QOpenGLTexture*> distinct;
    for (const auto& t : m_buffers->textures)
        if (t && std::find(distinct.begin(), distinct.end(), t.get()) == distinct.end())
            distinct.push_back(t.get());
    return distinct.size();
}

void CharacterList::Release() {
    m_buffers.reset();
    m_for.reset();
    m_textureBytes = 0;
    m_note.clear();
    m_runs.clear();
    m_vertexCount = 0;
}

void CharacterList::Update(const std::vector<float>& interleaved, std::size_t first, std::size_t last) {
    m_lastUpdated = 0;
    if (!m_buffers || interleaved.size() != 6 * m_vertexCount || first > last || last >= m_vertexCount)
        return;
    m_lastUpdated = last - first + 1;
    m_buffers->vertex.bind();
    m_buffers->vertex.write(static_cast<int>(first * kStride), interleaved.data() + 6 * first,
                            static_cast<int>(m_lastUpdated * kStride));
    m_buffers->vertex.release();
}

void CharacterList::Draw(FlushPacer& pacer, bool looks, const std::function<bool(const Run&)>& begin) const {
    if (!m_buffers || m_vertexCount == 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    m_buffers->vertex.bind();
    glVertexPointer(3, GL_FLOAT, kStride, Offset(0));
    glNormalPointer(GL_FLOAT, kStride, Offset(3 * sizeof(float)));
    const bool uvs = m_buffers->uv.isCreated();
    if (uvs) {
        m_buffers->uv.bind();
        glTexCoordPointer(2, GL_FLOAT, 0, Offset(0));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    m_buffers->index.bind();
    for (const Run& run : m_runs) {
        if (!begin(run)) continue;
        QOpenGLTexture* texture =
            looks && run.material >= 0 && static_cast<std::size_t>(run.material) < m_buffers->textures.size()
                ? m_buffers->textures[static_cast<std::size_t>(run.material)].get()
                : nullptr;
        if (texture) {
            glEnable(GL_TEXTURE_2D);
            texture->bind();
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(run.count), GL_UNSIGNED_INT,
                       Offset(run.first * sizeof(std::uint32_t)));
        pacer.Drawn(run.count / 3);
        if (texture) {
            texture->release();
            glDisable(GL_TEXTURE_2D);
        }
    }
    m_buffers->index.release();
    if (uvs) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    m_buffers->vertex.release();
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

} // namespace figurant
