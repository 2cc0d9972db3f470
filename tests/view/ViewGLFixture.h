#pragma once

// Headless GL tests of the view: a context of W x H with the view's GL set
// up, a view state and a survey, and what GL feedback says a drawing would
// rasterise.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "gl/HeadlessGL.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewFixture.h"
#include "view/ViewState.h"

namespace oxv::test {

struct Feedback {
    int points = 0;
    std::vector<std::array<float, 2>> pointPositions;  // window x, y
    std::vector<std::array<float, 4>> lines;           // window x1, y1, x2, y2
    bool overflow = false;
};

// Runs `draw` in feedback mode: what would be rasterised, as primitives.
template <typename Draw>
Feedback Capture(Draw draw, size_t capacity = 400000)
{
    std::vector<GLfloat> buffer(capacity);
    glFeedbackBuffer(static_cast<GLsizei>(capacity), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    Feedback fb;
    if (n < 0) {
        fb.overflow = true;
        return fb;
    }
    for (GLint i = 0; i < n;) {
        const auto token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
        const GLfloat* v = buffer.data() + i;
        switch (token) {
        case GL_POINT_TOKEN:
            ++fb.points;
            fb.pointPositions.push_back({v[0], v[1]});
            i += 3;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            fb.lines.push_back({v[0], v[1], v[3], v[4]});
            i += 6;
            break;
        case GL_POLYGON_TOKEN: i += 1 + 3 * static_cast<GLint>(v[0]); break;
        case GL_PASS_THROUGH_TOKEN: i += 1; break;
        default: i += 3; break;  // bitmap and pixel tokens: one vertex
        }
    }
    return fb;
}

template <int W, int H>
class ViewGLFixture : public ::testing::Test {
protected:
    static constexpr int kW = W, kH = H;

    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(kW, kH, &error);
        ASSERT_NE(gl, nullptr) << error;
        SetupViewGl();
        InitViewState(view);
    }
    void TearDown() override
    {
        if (gl) DeleteDisplayLists(view);
    }

    std::vector<unsigned char> Paint()
    {
        OnDrawFrame(view, &doc, *gl, FrameKind::Paint);
        return gl->ReadRgb();
    }

    ScratchDir dir;
    std::unique_ptr<HeadlessGL> gl;
    ViewState view;
    SurveyDocument doc;
};

}  // namespace oxv::test
