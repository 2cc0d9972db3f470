#pragma once

#include "survey/SurveyDocument.h"
#include "view/ViewState.h"

namespace oxv {

// Only the last fifth of a frame's records get a beam: alpha rises from 0.8
// towards 1 across the frame, so the newest beams are the brightest.
inline constexpr double kBeamAlphaThreshold = 0.8;

// One yellow line from record's point to its measurement origin, inside an
// open GL_LINES block, in stored millimetres; nothing below the threshold.
void DrawBeamLine(const SurveyDocument& doc, double alpha, int32_t record);

// Calls beam(record, alpha) for every record of the span that gets a line.
template <typename Beam>
void ForEachBeam(const FrameSpan& span, int32_t records, Beam beam)
{
    const int32_t n = span.last - span.first;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t record = span.first + i;
        const double alpha = static_cast<double>(i) / n;
        if (alpha >= kBeamAlphaThreshold && record >= 0 && record < records) beam(record, alpha);
    }
}

// Compiles the beams of records span.first .. span.last - 1 into `list`.
void CompileBeamList(unsigned list, const SurveyDocument& doc, const FrameSpan& span);

// The playback host's side: the view's beam list made when missing and
// filled with the span's beams (none drawn when no list can be had), and
// deleted when the run is past its last frame.
void CompileViewBeams(ViewState& view, const SurveyDocument& doc, const FrameSpan& span);
void DeleteViewBeams(ViewState& view);

}  // namespace oxv
