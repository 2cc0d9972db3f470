// Point chunks, paths and the grid compiled into display lists, and the
// immediate-mode drawing playback uses for what is not in a whole list.

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "base/MemoryHeadroom.h"
#include "base/NumericConversion.h"
#include "survey/SurveyDocument.h"
#include "view/PointSubset.h"
#include "view/ViewState.h"

namespace oxv {

namespace {

// The colour rule of the current mode, fixed for a run of records so the
// per-point loop has no mode switch in it.
template <typename Color>
void EmitRecords(const PointImage& image, int32_t first, int32_t end, int32_t step, Color color)
{
    // 64 bits: a step past the last record must not wrap around.
    for (int64_t k = first; k < end; k += step) {
        color(static_cast<size_t>(k));
        const int32_t* xyz = image.Xyz(static_cast<size_t>(k));
        glVertex3i(xyz[0], xyz[1], xyz[2]);
    }
}

double RangeMm(const int32_t* xyz, const int32_t* origin)
{
    const double dx = (static_cast<double>(xyz[0]) - origin[0]) / 1000.0;
    const double dy = (static_cast<double>(xyz[1]) - origin[1]) / 1000.0;
    const double dz = (static_cast<double>(xyz[2]) - origin[2]) / 1000.0;
    return std::sqrt(dx * dx + dy * dy + dz * dz) * 1000.0;
}

// Records first, first + step, ... below end (already inside the image),
// inside a glBegin(GL_POINTS).
void EmitRange(const ViewState& view, const PointImage& image, int32_t first, int32_t end, int32_t step = 1)
{
    const double scale = view.m_dColorScale, offset = view.m_dColorOffset;
    const auto ramp = [](double t) { glColor3d(t, 1.0 - t, 0.0); };
    const auto vertexOnly = [](size_t) {};
    switch (view.m_nColorMode) {
    case kColorAmp:
        if (!image.HasAmplitude()) return EmitRecords(image, first, end, step, vertexOnly);
        return EmitRecords(image, first, end, step, [&](size_t k) { ramp(image.Amplitude(k) * scale + offset); });
    case kColorAmpBw:
        if (!image.HasAmplitude()) return EmitRecords(image, first, end, step, vertexOnly);
        return EmitRecords(image, first, end, step, [&](size_t k) {
            const double t = image.Amplitude(k) * scale + offset;
            glColor3d(t, t, t);
        });
    case kColorRange:
        if (!image.HasOrigin()) return EmitRecords(image, first, end, step, vertexOnly);
        return EmitRecords(image, first, end, step,
                           [&](size_t k) { ramp(RangeMm(image.Xyz(k), image.OriginXyz(k)) * scale + offset); });
    case kColorOriginal: {
        if (!image.HasColor()) return EmitRecords(image, first, end, step, vertexOnly);
        const double rgbScale = view.m_dRgbScale, rgbOffset = view.m_dRgbOffset;
        return EmitRecords(image, first, end, step, [&](size_t k) {
            const uint8_t* c = image.ColorBytes(k);
            glColor3d(c[0] * rgbScale + rgbOffset, c[1] * rgbScale + rgbOffset, c[2] * rgbScale + rgbOffset);
        });
    }
    default:
        return EmitRecords(image, first, end, step, [&](size_t k) { ramp(image.Xyz(k)[2] * scale + offset); });
    }
}

// Node 0 stores the node count in place of its own key, which is 0.
int32_t NodeKey(const PathNode* path, int32_t j) { return j == 0 ? 0 : path[j].key; }

int32_t LastNodeKey(const PathNode* path)
{
    const int32_t n = PathNodeCount(path);
    return n > 0 ? NodeKey(path, n - 1) : 0;
}

void WalkPath(const PathNode* path, int32_t limit)
{
    const int32_t n = PathNodeCount(path);
    bool open = false;
    for (int32_t j = 0; j < n; ++j) {
        const int32_t key = NodeKey(path, j);
        if (key > limit) break;
        if (key < 0) continue;
        if (!open) {
            glBegin(GL_LINE_STRIP);
            open = true;
        }
        glVertex3i(path[j].x, path[j].y, path[j].z);
    }
    if (open) glEnd();
}

// One list holding the whole path, or none.
void CompilePath(const PathNode* path, GLuint& list, int32_t& count)
{
    if (!path) return;
    const GLuint name = glGenLists(1);
    if (name == 0) return;
    list = name;
    count = 1;
    glNewList(name, GL_COMPILE);
    WalkPath(path, LastNodeKey(path));
    glEndList();
}

// Between chunks of a long compile, the window's turn: false when it gives
// the compile up.
bool GoOnCompiling(ViewState& view, int32_t list)
{
    if (list == 0 || list % kListsBetweenYields != 0 || !view.hooks.betweenListChunks) return true;
    return view.hooks.betweenListChunks();
}

void DeleteLists(GLuint& base, int32_t& count)
{
    if (base != 0 || count != 0) {
        if (base != 0 && count > 0) glDeleteLists(base, count);
        base = 0;
        count = 0;
    }
}

bool CompilePointLists(ViewState& view, const PointImage& image)
{
    const int32_t n = image.Records();
    const int32_t lists = n / kPointsPerList + 1;  // the last one may be empty
    const GLuint base = glGenLists(lists);
    if (base == 0) return true;
    for (int32_t j = 0; j < lists; ++j) {
        if (!GoOnCompiling(view, j)) {
            glDeleteLists(base, lists);
            return false;
        }
        const int32_t first = j * kPointsPerList;
        const int32_t end = static_cast<int32_t>(std::min<int64_t>(n, int64_t{first} + kPointsPerList));
        glNewList(base + static_cast<GLuint>(j), GL_COMPILE);
        glBegin(GL_POINTS);
        EmitRange(view, image, first, end);
        glEnd();
        glEndList();
    }
    view.m_nPointListBase = base;
    view.m_nPointListCount = lists;
    return true;
}

}  // namespace

void SetupViewGl() { glClearColor(0.0f, 0.0f, 0.0f, 1.0f); }

void DrawPointRange(const ViewState& view, const SurveyDocument& doc, int32_t first, int32_t end)
{
    if (!doc.m_pPoints) return;
    // Playback's reached record comes from its own count: never past the image.
    const int32_t lo = std::max(first, 0);
    const int32_t hi = std::min(end, doc.m_pPoints->Records());
    glBegin(GL_POINTS);
    if (lo < hi) EmitRange(view, *doc.m_pPoints, lo, hi);
    glEnd();
}

void DrawScannerPathUpTo(const PathNode* path, int32_t limit)
{
    if (!path) return;
    WalkPath(path, limit < 0 ? LastNodeKey(path) : limit);
}

void CompileGrid(const double size[3], double spacing)
{
    int32_t nx = TruncToInt32(size[0] * 0.5 / spacing);
    int32_t ny = TruncToInt32(size[1] * 0.5 / spacing);
    nx = std::max(nx, 3);
    ny = std::max(ny, 3);
    const double x = std::trunc(nx * spacing);
    const double y = std::trunc(ny * spacing);
    glBegin(GL_LINES);
    glColor4d(0.8, 0.8, 0.8, 0.5);
    for (int32_t i = -nx; i <= nx; ++i) {
        glVertex3d(i * spacing, -y, 0.0);
        glVertex3d(i * spacing, y, 0.0);
    }
    for (int32_t i = -ny; i <= ny; ++i) {
        glVertex3d(-x, i * spacing, 0.0);
        glVertex3d(x, i * spacing, 0.0);
    }
    glEnd();
}

void DeleteDisplayLists(ViewState& view)
{
    if (view.m_nBeamList != 0) {
        glDeleteLists(view.m_nBeamList, 1);
        view.m_nBeamList = 0;
    }
    if (view.m_nGridList != 0) {
        glDeleteLists(view.m_nGridList, 1);
        view.m_nGridList = 0;
    }
    DeleteLists(view.m_nScannerPathList, view.m_nScannerPathListCount);
    DeleteLists(view.m_nCameraPathList, view.m_nCameraPathListCount);
    DeleteLists(view.m_nPointListBase, view.m_nPointListCount);
    DeleteSubsetLists(view);
}

// The paths and the grid come before the subset and the subset before the
// point lists, so that a picture drawn while the point lists compile shows
// the whole scene, with the subset standing in for the points.
bool BuildPreviewLists(ViewState& view, const SurveyDocument* doc)
{
    DeleteDisplayLists(view);
    CheckListMemory(view, doc);
    if (!doc) return true;
    if (doc->m_pPoints) {
        SelectColorScale(view, *doc);
        CompilePath(doc->m_pScannerPath.get(), view.m_nScannerPathList, view.m_nScannerPathListCount);
        CompilePath(doc->m_pCameraPath.get(), view.m_nCameraPathList, view.m_nCameraPathListCount);
    }
    double size[3];
    if (GetDataExtent(doc, nullptr, size)) {
        const GLuint grid = glGenLists(1);
        if (grid != 0) {
            view.m_nGridList = grid;
            glNewList(grid, GL_COMPILE);
            CompileGrid(size, kGridSpacing);
            glEndList();
        }
    }
    return BuildSubsetLists(view, doc);
}

bool BuildDisplayLists(ViewState& view, const SurveyDocument* doc)
{
    if (!BuildPreviewLists(view, doc)) return false;
    if (!doc || !doc->m_pPoints) return true;
    // Lists the driver cannot hold end the process inside it: the subset
    // stands in for them instead, and the view says why.
    if (!view.m_subset.memoryProblem.empty()) return true;
    if (view.m_subset.listBase != 0 && view.hooks.subsetReady) view.hooks.subsetReady();
    return CompilePointLists(view, *doc->m_pPoints);
}

void CheckListMemory(ViewState& view, const SurveyDocument* doc)
{
    view.m_subset.memoryProblem.clear();
    view.m_subset.memoryBudget = 0;
    if (!doc || !doc->m_pPoints) return;
    const std::optional<int64_t> headroom = view.hooks.memoryHeadroom ? view.hooks.memoryHeadroom() : MemoryHeadroomBytes();
    ListMemoryPlan plan = PlanListMemory(doc->m_pPoints->Records(), view.m_subset.budget, headroom);
    if (plan.fullLists) return;
    view.m_subset.memoryProblem = std::move(plan.problem);
    view.m_subset.memoryBudget = plan.subsetBudget;
}

void DeleteSubsetLists(ViewState& view)
{
    DeleteLists(view.m_subset.listBase, view.m_subset.listCount);
    view.m_subset.step = 0;
    view.m_subset.points = 0;
}

bool BuildSubsetLists(ViewState& view, const SurveyDocument* doc)
{
    DeleteSubsetLists(view);
    if (!doc || !doc->m_pPoints) return true;
    const PointImage& image = *doc->m_pPoints;
    const int32_t n = image.Records();
    // Short of memory the subset takes what fits, budget or not.
    const bool shortOfMemory = !view.m_subset.memoryProblem.empty();
    const int32_t budget = shortOfMemory ? view.m_subset.memoryBudget : view.m_subset.budget;
    if (shortOfMemory && budget <= 0) return true;
    const int32_t step = shortOfMemory ? std::max(SubsetStep(n, budget), 1) : SubsetStep(n, budget);
    if (step == 0) return true;
    const int32_t points = SubsetPoints(n, step);
    const int32_t lists = (points + kPointsPerList - 1) / kPointsPerList;
    const GLuint base = glGenLists(lists);
    if (base == 0) return true;
    // Each list holds kPointsPerList of the subset's points, which lie
    // step records apart.
    const int64_t recordsPerList = int64_t{kPointsPerList} * step;
    for (int32_t j = 0; j < lists; ++j) {
        if (!GoOnCompiling(view, j)) {
            glDeleteLists(base, lists);
            return false;
        }
        const auto first = static_cast<int32_t>(j * recordsPerList);
        const auto end = static_cast<int32_t>(std::min<int64_t>(n, first + recordsPerList));
        glNewList(base + static_cast<GLuint>(j), GL_COMPILE);
        glBegin(GL_POINTS);
        EmitRange(view, image, first, end, step);
        glEnd();
        glEndList();
    }
    view.m_subset.listBase = base;
    view.m_subset.listCount = lists;
    view.m_subset.step = step;
    view.m_subset.points = points;
    return true;
}

void SetPointBudget(ViewState& view, const SurveyDocument* doc, int32_t budget)
{
    view.m_subset.budget = budget > 0 ? budget : 0;
    // Short of memory the subset is all there is: it follows the new budget
    // within what fits.
    if (!view.m_subset.memoryProblem.empty()) {
        DeleteSubsetLists(view);
        CheckListMemory(view, doc);
        (void)BuildSubsetLists(view, doc);
        return;
    }
    // Only with the point lists' colours: a document whose lists were never
    // built gets its subset with them.
    if (view.m_nPointListBase != 0 || view.m_subset.listBase != 0) (void)BuildSubsetLists(view, doc);
}

void OnInitialUpdate(ViewState& view, const SurveyDocument* doc)
{
    // The target first: a first picture shown while the lists compile looks
    // where the finished one will.
    double centre[3];
    if (GetDataExtent(doc, centre, nullptr)) SetCameraTarget(view.m_camera, centre);
    (void)BuildDisplayLists(view, doc);
}

void OnCameraPathChanged(ViewState& view, const SurveyDocument* doc)
{
    (void)BuildDisplayLists(view, doc);
}

void SetColorMode(ViewState& view, const SurveyDocument* doc, int32_t mode)
{
    view.m_nColorMode = mode;
    (void)BuildDisplayLists(view, doc);
}

bool OnLevelKey(ViewState& view, const SurveyDocument* doc, LevelKey key)
{
    if (!ChangeOriginalLevels(view, key)) return false;
    (void)BuildDisplayLists(view, doc);
    return true;
}

}  // namespace oxv
