#pragma once

// The moving-camera point budget: beside the point lists the view keeps a
// second, small set of lists holding every k-th record, which paint frames
// draw while the camera is being moved and while the full lists are still
// compiling. Still frames, playback, the first-person flight and recorded
// frames always draw the full lists.

#include <cstdint>
#include <optional>
#include <string>

namespace oxv {

class Profile;
class SurveyDocument;
struct ViewState;
enum class FrameKind;

struct PointSubset {
    // Points a moving camera draws at most; 0 turns the subset off.
    int32_t budget = 0;
    // Set by the window while a drag or a wheel move is in progress.
    bool moving = false;
    // The lists: a name of 0 means absent, as for the point lists.
    unsigned listBase = 0;
    int32_t listCount = 0;
    int32_t step = 0;    // every step-th record; 0 = no subset
    int32_t points = 0;  // records in the lists
    // What the last frame drew: whether it was the subset, and how many points.
    bool lastFrameSubset = false;
    int64_t lastFramePoints = 0;
    // Set when the last compile found too little memory for every point's
    // list: the subset stands in for them for good, and this says why.
    std::string memoryProblem;
    // The budget the subset was built with then (0: none fitted).
    int32_t memoryBudget = 0;
};

// What a display list holds a point in, about (Mesa keeps a colour and a
// vertex in 35 to 37 bytes).
inline constexpr int64_t kListBytesPerPoint = 36;
// What the driver takes besides while it compiles and draws: with 2,000,000
// points (69 MB of lists) and an address-space limit, llvmpipe crashed with
// 85 MB left and came through with 105 MB.
inline constexpr int64_t kListCompileReserveBytes = int64_t{64} << 20;

// Whether every point's list fits in `headroom` bytes with the compile
// reserve beside it (nullopt: unknown, so it is tried), and when not the
// budget of the subset that stands in: the view's budget, or the default
// when it is off, cut to what half the headroom past the reserve holds; 0
// when not even that fits. `problem` says it for the
// status bar and the tools.
struct ListMemoryPlan {
    bool fullLists = true;
    int32_t subsetBudget = 0;
    std::string problem;
};
ListMemoryPlan PlanListMemory(int64_t records, int32_t budget, std::optional<int64_t> headroom);

inline constexpr int32_t kDefaultPointBudget = 1'000'000;
// The budgets the View menu offers, Off last.
inline constexpr int32_t kPointBudgetChoices[] = {250'000, 1'000'000, 4'000'000, 0};
inline constexpr const char* kPointBudgetSection = "View";
inline constexpr const char* kPointBudgetKey = "PointBudget";

// k = ceil(records / budget); 0 when the budget is off or the survey fits in it.
int32_t SubsetStep(int64_t records, int32_t budget);
// Records 0, k, 2k, ... below `records`.
int32_t SubsetPoints(int64_t records, int32_t step);

// Whether a frame of this kind draws the subset instead of the point lists:
// only orbit frames outside playback, while the camera moves (paint frames)
// or while the full lists are not there yet (a first picture).
[[nodiscard]] bool DrawsSubset(const ViewState& view, FrameKind kind);

// "Preview: 1.0 M of 50.0 M points" while the subset stands in for the
// lists, followed by the memory problem when that keeps them out; empty
// otherwise.
std::string PreviewText(const ViewState& view, const SurveyDocument* doc);

// The budget stored in the settings; the default when absent or not a
// whole number from 0 to 1e9.
int32_t LoadPointBudget(Profile& profile);
[[nodiscard]] bool SavePointBudget(Profile& profile, int32_t budget);

// ---- Drawing (needs a current GL context) ----

// The subset lists for the current colour mode, replacing any there are.
// Builds nothing when the budget is off or the survey fits in it. False
// when ViewHooks::betweenListChunks gave the compile up.
[[nodiscard]] bool BuildSubsetLists(ViewState& view, const SurveyDocument* doc);
void DeleteSubsetLists(ViewState& view);
// A new budget: the subset rebuilt, the point lists kept.
void SetPointBudget(ViewState& view, const SurveyDocument* doc, int32_t budget);

}  // namespace oxv
