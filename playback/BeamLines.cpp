#include "BeamLines.h"

#include <GL/gl.h>

namespace oxv {

void DrawBeamLine(const SurveyDocument& doc, double alpha, int32_t record)
{
    if (alpha < kBeamAlphaThreshold) return;
    const PointImage& image = *doc.m_pPoints;
    const size_t i = static_cast<size_t>(record);
    glColor4d(1.0, 1.0, 0.0, alpha);
    glVertex3iv(image.Xyz(i));
    glVertex3iv(image.OriginXyz(i));
}

void CompileBeamList(unsigned list, const SurveyDocument& doc, const FrameSpan& span)
{
    glNewList(list, GL_COMPILE);
    glBegin(GL_LINES);
    ForEachBeam(span, doc.m_pPoints->Records(), [&](int32_t record, double alpha) { DrawBeamLine(doc, alpha, record); });
    glEnd();
    glEndList();
}

}  // namespace oxv
