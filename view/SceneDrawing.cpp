// One frame of the view, the axis indicator and the depth pick.

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "gl/GlTarget.h"
#include "survey/SurveyDocument.h"
#include "view/ViewState.h"

namespace oxv {

namespace {

constexpr double kNearPlane = 0.5;
constexpr double kFarPlane = 10000.0;
constexpr double kMmToMetre = 0.001;
constexpr double kLetterSize = 0.1;

void Arrow()
{
    glPushMatrix();
    glBegin(GL_LINES);
    glVertex3d(0.0, 0.0, 0.0);
    glVertex3d(1.0, 0.0, 0.0);
    glVertex3d(1.0, 0.0, 0.0);
    glVertex3d(0.9, -0.05, 0.0);
    glVertex3d(1.0, 0.0, 0.0);
    glVertex3d(0.9, 0.05, 0.0);
    glEnd();
    glPopMatrix();
}

void LetterN()
{
    const double s = kLetterSize;
    glPushMatrix();
    glBegin(GL_LINE_STRIP);
    glVertex3d(1.0, s / 2, 0.0);
    glVertex3d(1.0 + s, s / 2, 0.0);
    glVertex3d(1.0, -s / 2, 0.0);
    glVertex3d(1.0 + s, -s / 2, 0.0);
    glEnd();
    glPopMatrix();
}

void LetterE()
{
    const double s = kLetterSize;
    glPushMatrix();
    glBegin(GL_LINE_STRIP);
    glVertex3d(1.0 + s, -s / 2, 0.0);
    glVertex3d(1.0 + s, s / 2, 0.0);
    glVertex3d(1.0, s / 2, 0.0);
    glVertex3d(1.0, -s / 2, 0.0);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(1.0 + s / 2, -0.3 * s, 0.0);
    glVertex3d(1.0 + s / 2, s / 2, 0.0);
    glEnd();
    glPopMatrix();
}

int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) { return std::min(std::max(v, lo), hi); }

// Every record, or during playback those revealed so far.
void DrawPointLists(ViewState& view, const SurveyDocument& doc, bool playing)
{
    // Playback's count never calls lists past the ones owned (their names
    // may belong to someone else) and never reads past the records.
    const int32_t reached = std::max(view.m_scene.revealedRecord, 0);
    const int32_t whole = playing ? ClampInt(reached / kPointsPerList, 0, view.m_nPointListCount)
                                  : view.m_nPointListCount;
    for (int32_t j = 0; j < whole; ++j) glCallList(view.m_nPointListBase + static_cast<GLuint>(j));
    if (whole != view.m_nPointListCount) DrawPointRange(view, doc, whole * kPointsPerList, reached);
    const int32_t records = doc.m_pPoints ? doc.m_pPoints->Records() : 0;
    view.m_subset.lastFramePoints = playing ? std::min(reached, records) : records;
}

}  // namespace

void DrawAxes()
{
    glPushMatrix();
    glLineWidth(3.0f);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    Arrow();
    LetterE();
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);  // local x along world y
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    Arrow();
    LetterN();
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);  // local x along world z
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    Arrow();
    glPopMatrix();
}

void OnDrawFrame(ViewState& view, const SurveyDocument* doc, GlTarget& target, FrameKind kind)
{
    if (!doc) return;
    const int w = target.Width();
    const int h = target.Height();
    if (w <= 0 || h <= 0) return;  // nothing to see, and the aspect would divide by zero
    const bool paint = kind == FrameKind::Paint;
    const bool playing = view.m_scene.playing != 0;

    glMatrixMode(GL_PROJECTION);
    glViewport(0, 0, w, h);
    glLoadIdentity();
    gluPerspective(view.m_camera.fovY, static_cast<double>(w) / static_cast<double>(h), kNearPlane, kFarPlane);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    OrbitCamera& camera = view.m_camera;
    if (view.m_scene.firstPerson && view.hooks.computeFpvLookAt)
        view.hooks.computeFpvLookAt(view, *doc);
    else
        ComputeLookAt(camera);
    gluLookAt(camera.lookEye[0], camera.lookEye[1], camera.lookEye[2], camera.lookCenter[0], camera.lookCenter[1],
              camera.lookCenter[2], camera.lookUp[0], camera.lookUp[1], camera.lookUp[2]);

    // The pure camera transform, kept for the pick.
    glGetDoublev(GL_MODELVIEW_MATRIX, view.m_modelviewMatrix);
    glGetDoublev(GL_PROJECTION_MATRIX, view.m_projectionMatrix);
    glGetIntegerv(GL_VIEWPORT, view.m_viewport);

    glEnable(GL_LINE_SMOOTH);
    if (view.m_bAntiAlias) glEnable(GL_POINT_SMOOTH);
    glLineWidth(1.0f);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);

    if (paint) {
        if (playing) {
            if (view.hooks.drawVehicle) view.hooks.drawVehicle(view);
        } else {
            DrawAxes();
        }
    }

    if (view.m_nGridList != 0 && view.m_bShowGrid) {
        glDisable(GL_LINE_SMOOTH);
        glPushMatrix();
        glLineWidth(1.0f);
        glTranslated(camera.target[0], camera.target[1], camera.target[2]);
        glCallList(view.m_nGridList);
        glPopMatrix();
        glEnable(GL_LINE_SMOOTH);
    }

    const bool subset = DrawsSubset(view, kind);
    // What the last frame drew is what the screen shows: a pick's hidden
    // frame leaves it alone, or the full frame that should follow a moving
    // camera's subset would look as if it were already there.
    const PointSubset shown = view.m_subset;
    view.m_subset.lastFrameSubset = subset ? 1 : 0;
    view.m_subset.lastFramePoints = 0;
    if (view.m_nPointListBase != 0 || subset) {
        glPushMatrix();
        glPointSize(static_cast<float>(std::clamp(view.m_nPointSize, 1, 5)));
        if (view.m_bAntiAlias) glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
        glScaled(kMmToMetre, kMmToMetre, kMmToMetre);
        if (subset) {
            for (int32_t j = 0; j < view.m_subset.listCount; ++j)
                glCallList(view.m_subset.listBase + static_cast<GLuint>(j));
            view.m_subset.lastFramePoints = view.m_subset.points;
        } else {
            DrawPointLists(view, *doc, playing);
        }
        if (playing) {
            glLineWidth(1.0f);
            glCallList(view.m_nBeamList);
        }
        glPopMatrix();
    }

    if (view.m_nScannerPathList != 0 && view.m_bShowScannerPath) {
        glPushMatrix();
        glLineWidth(1.0f);
        glScaled(kMmToMetre, kMmToMetre, kMmToMetre);
        glColor3d(0.0, 0.0, 1.0);
        if (playing) {
            // Only as far as the vehicle has flown.
            if (doc->m_pScannerPath) DrawScannerPathUpTo(doc->m_pScannerPath.get(), std::max(view.m_scene.revealedRecord, 0));
        } else {
            glCallList(view.m_nScannerPathList);
        }
        glPopMatrix();
    }

    if (view.m_nCameraPathList != 0 && view.m_bShowCameraPath) {
        glPushMatrix();
        glLineWidth(2.0f);
        glScaled(kMmToMetre, kMmToMetre, kMmToMetre);
        glColor3d(0.0, 1.0, 1.0);
        glCallList(view.m_nCameraPathList);
        glPopMatrix();
    }

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LINE_SMOOTH);
    if (view.m_bAntiAlias) glDisable(GL_POINT_SMOOTH);
    glDisable(GL_BLEND);
    glFlush();

    if (!paint) {
        view.m_subset.lastFrameSubset = shown.lastFrameSubset;
        view.m_subset.lastFramePoints = shown.lastFramePoints;
    }
    if (view.hooks.captureFrame) view.hooks.captureFrame(view, target, 0, 0, w, h);
    if (paint && view.hooks.drawOverlay) view.hooks.drawOverlay(view, target);
    if (paint) target.SwapBuffers();
}

bool PickPoint(ViewState& view, const SurveyDocument* doc, GlTarget& target, int x, int y, double point[3])
{
    if (!doc) return false;
    const int w = target.Width();
    const int h = target.Height();
    if (w <= 0 || h <= 0) return false;
    OnDrawFrame(view, doc, target, FrameKind::Pick);

    // The 5x5 square around the click, inside the client area (rows count
    // from the bottom); a client area smaller than the square reads what it has.
    const int side = 5;
    int x0 = std::max(x - 2, 0);
    int y0 = std::max(h - y - 2, 0);
    if (x0 + side > w) x0 = std::max(w - side, 0);
    if (y0 + side > h) y0 = std::max(h - side, 0);
    const int readW = std::min(side, w), readH = std::min(side, h);
    float depth[side * side];
    std::fill(std::begin(depth), std::end(depth), 1.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, side);
    glReadPixels(x0, y0, readW, readH, GL_DEPTH_COMPONENT, GL_FLOAT, depth);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);

    float nearest = 1.0f;
    for (float d : depth)
        if (d < nearest) nearest = d;
    if (!(nearest < 1.0f)) return false;  // only cleared depth: background
    GLdouble wx = 0, wy = 0, wz = 0;
    if (gluUnProject(x0 + 2.0, y0 + 2.0, nearest, view.m_modelviewMatrix, view.m_projectionMatrix, view.m_viewport,
                     &wx, &wy, &wz) != GL_TRUE)
        return false;
    point[0] = wx;
    point[1] = wy;
    point[2] = wz;
    return true;
}

bool PickAndRecentre(ViewState& view, const SurveyDocument* doc, GlTarget& target, int x, int y)
{
    if (view.m_scene.firstPerson) return false;
    double point[3];
    if (!PickPoint(view, doc, target, x, y, point)) return false;
    SetCameraTarget(view.m_camera, point);
    return true;
}

}  // namespace oxv
