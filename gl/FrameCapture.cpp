#include "gl/FrameCapture.h"

#include <GL/gl.h>

#include <cerrno>

#include "gl/GlTarget.h"

namespace oxv {

PngEncoding FrameEncoding()
{
    PngEncoding e;
    e.zlibLevel = 1;
    e.adaptiveFilters = false;
    return e;
}

bool FrameCapturer::Capture(GlTarget& target, int w, int h, const std::string& path)
{
    const uint8_t* rows = ReadBack(target, w, h);
    if (!rows) {
        errno = EINVAL;
        return false;
    }
    return WritePngRgbBottomUp(path, w, h, rows, m_rowBytes, FrameEncoding());
}

const uint8_t* FrameCapturer::ReadBack(GlTarget& target, int w, int h)
{
    if (w <= 0 || h <= 0) return nullptr;
    if (w != m_width || h != m_height) {
        m_width = w;
        m_height = h;
        m_rowBytes = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
        m_pFrameImage.assign(m_rowBytes * static_cast<size_t>(h), 0);
    }
    // GL's default pack alignment of 4 pads rows exactly as the buffer does;
    // rows arrive bottom first and are handed to the encoder top first.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(static_cast<GLenum>(target.ReadBuffer()));
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, m_pFrameImage.data());
    return m_pFrameImage.data();
}

}  // namespace oxv
