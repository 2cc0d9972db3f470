#pragma once

#include <wx/app.h>
#include <wx/dnd.h>

#include "app/OxvellHost.h"

namespace oxv {

// Point files dropped on the window (its frame or the view's canvas) open as
// File > Open opens them.
class FileDropTarget final : public wxFileDropTarget {
public:
    explicit FileDropTarget(OxvellHost& host) : m_host(host) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
    {
        // Opened once the drop is over: a load may show a message box, which
        // must not run inside the drag-and-drop exchange.
        OxvellHost* host = &m_host;
        wxTheApp->CallAfter([host, files] {
            for (const wxString& file : files) host->OpenDocumentFile(file);
        });
        return true;
    }

private:
    OxvellHost& m_host;
};

}  // namespace oxv
