// Swapchains of the simulated headset: GL textures made in the client's current context, handed out in turn.
#include <algorithm>

#include "SimXr.h"

using namespace simxr;

namespace {

// GL_RGBA8, GL_SRGB8_ALPHA8
constexpr int64_t kFormats[] = {0x8058, 0x8C43};

}  // namespace

XrResult simEnumerateSwapchainFormats(XrSession handle, uint32_t capacity, uint32_t* count, int64_t* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    *count = static_cast<uint32_t>(std::size(kFormats));
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < std::size(kFormats) || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    std::copy(std::begin(kFormats), std::end(kFormats), out);
    return XR_SUCCESS;
}

XrResult simCreateSwapchain(XrSession handle, const XrSwapchainCreateInfo* info, XrSwapchain* out) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (std::find(std::begin(kFormats), std::end(kFormats), info->format) == std::end(kFormats))
        return XR_ERROR_SWAPCHAIN_FORMAT_UNSUPPORTED;
    if (info->arraySize != 1 || info->faceCount != 1 || info->mipCount != 1 || info->sampleCount != 1 ||
        info->width == 0 || info->height == 0)
        return XR_ERROR_FEATURE_UNSUPPORTED;
    auto chain = std::make_unique<Swapchain>();
    chain->width = info->width;
    chain->height = info->height;
    chain->format = info->format;
    chain->images.resize(3);
    // Textures of the client's current context, as the GL binding promises; the binding is put back after.
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glGenTextures(GLsizei(chain->images.size()), chain->images.data());
    for (GLuint texture : chain->images) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(info->format), GLsizei(info->width), GLsizei(info->height), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    *out = reinterpret_cast<XrSwapchain>(chain.get());
    s->swapchains.push_back(std::move(chain));
    return XR_SUCCESS;
}

Swapchain* simxr::swapchainOf(XrSwapchain handle) {
    if (!instance() || !instance()->xrSession) return nullptr;
    for (auto& c : instance()->xrSession->swapchains)
        if (reinterpret_cast<XrSwapchain>(c.get()) == handle) return c.get();
    return nullptr;
}

XrResult simDestroySwapchain(XrSwapchain handle) {
    Session* s = instance() ? instance()->xrSession.get() : nullptr;
    if (!s) return XR_ERROR_HANDLE_INVALID;
    for (auto it = s->swapchains.begin(); it != s->swapchains.end(); ++it) {
        if (reinterpret_cast<XrSwapchain>(it->get()) != handle) continue;
        glDeleteTextures(GLsizei((*it)->images.size()), (*it)->images.data());
        for (Submission& sub : s->submitted)
            for (GLuint t : (*it)->images)
                if (sub.texture == t) sub.texture = 0;
        s->swapchains.erase(it);
        return XR_SUCCESS;
    }
    return XR_ERROR_HANDLE_INVALID;
}

XrResult simEnumerateSwapchainImages(XrSwapchain handle, uint32_t capacity, uint32_t* count,
                                     XrSwapchainImageBaseHeader* out) {
    Swapchain* chain = swapchainOf(handle);
    if (!chain) return XR_ERROR_HANDLE_INVALID;
    *count = static_cast<uint32_t>(chain->images.size());
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < chain->images.size() || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    auto* images = reinterpret_cast<XrSwapchainImageOpenGLKHR*>(out);
    for (size_t i = 0; i < chain->images.size(); ++i) {
        if (images[i].type != XR_TYPE_SWAPCHAIN_IMAGE_OPENGL_KHR) return XR_ERROR_VALIDATION_FAILURE;
        images[i].image = chain->images[i];
    }
    return XR_SUCCESS;
}

XrResult simAcquireSwapchainImage(XrSwapchain handle, const XrSwapchainImageAcquireInfo*, uint32_t* index) {
    Swapchain* chain = swapchainOf(handle);
    if (!chain) return XR_ERROR_HANDLE_INVALID;
    if (chain->acquired) return XR_ERROR_CALL_ORDER_INVALID;
    chain->acquired = chain->next;
    chain->next = (chain->next + 1) % chain->images.size();
    *index = *chain->acquired;
    return XR_SUCCESS;
}

XrResult simWaitSwapchainImage(XrSwapchain handle, const XrSwapchainImageWaitInfo*) {
    Swapchain* chain = swapchainOf(handle);
    if (!chain) return XR_ERROR_HANDLE_INVALID;
    return chain->acquired ? XR_SUCCESS : XR_ERROR_CALL_ORDER_INVALID;
}

XrResult simReleaseSwapchainImage(XrSwapchain handle, const XrSwapchainImageReleaseInfo*) {
    Swapchain* chain = swapchainOf(handle);
    if (!chain) return XR_ERROR_HANDLE_INVALID;
    if (!chain->acquired) return XR_ERROR_CALL_ORDER_INVALID;
    chain->released = chain->acquired;
    chain->acquired.reset();
    return XR_SUCCESS;
}
