#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <map>
#include <string>

#include "render/Texture.h"

// Material textures loaded from image files, shared by path, plus the two 1x1 dummy textures bound in place of
// missing ones. Owns every GL texture it hands out; Release (or destruction) deletes them, with the GL context
// current. Only successful loads are cached, so a failed path is tried again on the next request.
class TextureCache {
public:
    TextureCache() = default;
    ~TextureCache();
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // Returns the texture for a UTF-8 path exactly as the material gives it ("\" separators allowed). On a miss
    // decodes the image (flipped vertically: its first row becomes the texture's last) and uploads it with
    // mipmaps: 4-channel images as RGBA (hasAlpha), all others as RGB. A file that cannot be opened or decoded
    // logs "failed load Texture" and yields id 0 without being cached.
    Texture GetTexture(const std::string& path);

    // Creates the 1x1 RGBA8 colour and 1x1 16-bit depth dummies (contents undefined); replaces earlier ones.
    void CreateDummyTextures();
    GLuint DummyColorTexture() const { return m_dummyColor; }

    // Number of cached paths.
    size_t Size() const { return m_textures.size(); }
    // Deletes every cached texture and both dummies; safe to call twice.
    void Release();

private:
    std::map<std::string, Texture> m_textures;
    GLuint m_dummyColor = 0;
    GLuint m_dummyDepth = 0;
};
