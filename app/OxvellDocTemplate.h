#pragma once

#include <wx/docview.h>

#include "app/OxvellHost.h"

namespace oxv {

// Single-document management: one document and one view live from start-up
// to exit. New and Open reuse them, as the viewer's camera, toggles and lists
// belong to the view and carry over from one survey to the next.
class OxvellDocManager : public wxDocManager {
public:
    OxvellDocManager() : wxDocManager(0, true) {}

    wxString MakeNewDocumentName() override { return "Untitled"; }

protected:
    // Commands go to the view first, then to its document, then to the
    // manager's own handlers and the frame.
    bool TryBefore(wxEvent& event) override;
};

// Joins the document and its view, and hands both the application's host
// interface as they are made.
class OxvellDocTemplate : public wxDocTemplate {
public:
    OxvellDocTemplate(wxDocManager* manager, OxvellHost& host);

protected:
    wxDocument* DoCreateDocument() override;
    wxView* DoCreateView() override;

private:
    OxvellHost& m_host;
};

}  // namespace oxv
