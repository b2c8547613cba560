#include "render/TextureCache.h"

#include <stb_image.h>

#include <QDebug>
#include <limits>
#include <memory>
#include <vector>

#include "mmd/File.h"
#include "render/GLFunctions.h"
#include "render/RenderState.h"

namespace {

struct PixelsFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};
using PixelsPtr = std::unique_ptr<stbi_uc, PixelsFree>;

Texture loadTexture(const std::string& path) {
    stbi_set_flip_vertically_on_load(1);
    mmd::BinaryFile file;
    std::vector<stbi_uc> bytes;
    if (file.Open(path) && file.Size() > 0 && file.Size() <= std::numeric_limits<int>::max()) {
        bytes.resize(static_cast<size_t>(file.Size()));
        if (!file.Read(bytes.data(), bytes.size())) {
            bytes.clear();
        }
    }
    if (bytes.empty()) {
        qDebug().noquote() << "failed load Texture" << QString::fromStdString(path);
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(bytes.data(), size, &width, &height, &channels)) {
        qDebug().noquote() << "failed load Texture" << QString::fromStdString(path);
        return {};
    }
    const bool hasAlpha = channels == 4;
    PixelsPtr pixels(stbi_load_from_memory(bytes.data(), size, &width, &height, &channels, hasAlpha ? 4 : 3));
    if (!pixels) {
        // The header looked fine but the body did not decode: treat it as unreadable rather than upload garbage.
        qDebug().noquote() << "failed load Texture" << QString::fromStdString(path);
        return {};
    }

    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    Texture texture;
    texture.m_hasAlpha = hasAlpha;
    gl->glGenTextures(1, &texture.m_texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture.m_texture);
    {
        // Tightly packed RGB rows; the default alignment of 4 must come back for Qt's own uploads.
        const ScopedUnpackAlignment alignment(hasAlpha ? 4 : 1);
        if (hasAlpha) {
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.get());
        } else {
            gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.get());
        }
    }
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 2);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

}  // namespace

TextureCache::~TextureCache() { Release(); }

Texture TextureCache::GetTexture(const std::string& path) {
    const auto found = m_textures.find(path);
    if (found != m_textures.end()) {
        return found->second;
    }
    const Texture texture = loadTexture(path);
    if (texture.m_texture != 0) {
        m_textures.emplace(path, texture);
    }
    return texture;
}

void TextureCache::CreateDummyTextures() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (m_dummyColor != 0) {
        gl->glDeleteTextures(1, &m_dummyColor);
    }
    if (m_dummyDepth != 0) {
        gl->glDeleteTextures(1, &m_dummyDepth);
    }
    gl->glGenTextures(1, &m_dummyColor);
    gl->glBindTexture(GL_TEXTURE_2D, m_dummyColor);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glGenTextures(1, &m_dummyDepth);
    gl->glBindTexture(GL_TEXTURE_2D, m_dummyDepth);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, 1, 1, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
}

void TextureCache::Release() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    for (auto& entry : m_textures) {
        gl->glDeleteTextures(1, &entry.second.m_texture);
    }
    m_textures.clear();
    if (m_dummyColor != 0) {
        gl->glDeleteTextures(1, &m_dummyColor);
        m_dummyColor = 0;
    }
    if (m_dummyDepth != 0) {
        gl->glDeleteTextures(1, &m_dummyDepth);
        m_dummyDepth = 0;
    }
}
