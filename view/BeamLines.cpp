#include "view/BeamLines.h"

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

void CompileViewBeams(ViewState& view, const SurveyDocument& doc, const FrameSpan& span)
{
    if (view.m_nBeamList == 0) view.m_nBeamList = glGenLists(1);
    if (view.m_nBeamList != 0) CompileBeamList(view.m_nBeamList, doc, span);
}

void DeleteViewBeams(ViewState& view)
{
    if (view.m_nBeamList == 0) return;
    glDeleteLists(view.m_nBeamList, 1);
    view.m_nBeamList = 0;
}

}  // namespace oxv
