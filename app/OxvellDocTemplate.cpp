#include "app/OxvellDocTemplate.h"

#include "app/OxvellDoc.h"
#include "app/OxvellView.h"

namespace oxv {

OxvellDocTemplate::OxvellDocTemplate(wxDocManager* manager, OxvellHost& host)
    : wxDocTemplate(manager, "Oxvell Files", "*.oxv", wxEmptyString, "oxv", "Oxvell.Document", "COxvellView",
                    CLASSINFO(COxvellDoc), CLASSINFO(COxvellView)),
      m_host(host)
{
}

wxDocument* OxvellDocTemplate::DoCreateDocument()
{
    auto* doc = new COxvellDoc;
    doc->SetHost(&m_host);
    return doc;
}

wxView* OxvellDocTemplate::DoCreateView()
{
    auto* view = new COxvellView;
    view->SetHost(&m_host);
    return view;
}

bool OxvellDocManager::TryBefore(wxEvent& event)
{
    wxView* const view = GetAnyUsableView();
    if (!view) return false;
    if (view->ProcessEventLocally(event)) return true;
    wxDocument* const doc = view->GetDocument();
    return doc && doc->ProcessEventLocally(event);
}

}  // namespace oxv
