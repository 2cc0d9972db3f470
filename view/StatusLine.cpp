#include "view/StatusLine.h"

#include <cstdio>
#include <cstdlib>

#include "survey/SurveyDocument.h"
#include "view/PointReadout.h"
#include "view/PointSubset.h"

namespace oxv {

namespace {

const char* const kModeNames[] = {"Height", "Amp", "Amp BW", "Range", "Original"};

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0)
{
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

void Append(std::string& line, const std::string& part)
{
    if (part.empty()) return;
    if (!line.empty()) line += " | ";
    line += part;
}

}  // namespace

std::string GroupThousands(long long n)
{
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
    return n < 0 ? "-" + digits : digits;
}

std::string StatusLine(const ViewState& view, const PlaybackState& run, const FpvState& fpv, const SurveyDocument* doc,
                       const StatusExtras& extras)
{
    if (!doc || !doc->m_pPoints) return {};
    std::string line = PreviewText(view, doc);
    const int32_t records = doc->m_pPoints->RecordCount();
    Append(line, GroupThousands(records) + (records == 1 ? " record" : " records"));

    const int32_t mode = view.m_nColorMode >= kColorHeight && view.m_nColorMode <= kColorOriginal ? view.m_nColorMode
                                                                                                   : kColorHeight;
    std::string color = kModeNames[mode];
    if (mode == kColorOriginal) color += Format(" black %.2f white %.2f", view.m_dBlackLevel, view.m_dWhiteLevel);
    Append(line, color);

    if (extras.cursor) {
        const std::string readout =
            extras.cursorRecord ? PointReadout(*doc->m_pPoints, *extras.cursorRecord) : std::string();
        const auto& p = *extras.cursor;
        Append(line, readout.empty() ? Format("x %.2f y %.2f z %.2f", p[0], p[1], p[2]) : readout);
    }

    const PlaybackTimeline* timeline = doc->m_pTimeline.get();
    if (run.m_nPlayState != kStopped && timeline) {
        const int32_t total = run.m_nFrameCount;
        const int32_t shown = run.m_nFrame < 0 ? 0 : run.m_nFrame > total ? total : run.m_nFrame;
        std::string play = Format("t %.2f s", timeline->t0 + timeline->step * shown);
        play += " frame " + GroupThousands(shown) + " of " + GroupThousands(total);
        if (run.m_nPlayState == kPaused) play += " paused";
        if (extras.recording) play += " REC";
        Append(line, play);
    }

    const int32_t nodes = PathNodeCount(doc->m_pCameraPath.get());
    if (nodes > 0) {
        std::string path = "camera path " + GroupThousands(nodes) + (nodes == 1 ? " node" : " nodes");
        if (!extras.cameraPathCache.empty()) path += ", cache " + extras.cameraPathCache;
        if (fpv.m_bFpvMode) path += ", flying node " + GroupThousands(fpv.m_nFpvNode);
        Append(line, path);
    }
    if (!extras.notice.empty()) Append(line, extras.notice);
    return line;
}

}  // namespace oxv
