#pragma once

#include <wx/docview.h>

#include "SurveyDocument.h"

class wxUpdateUIEvent;

namespace oxv {
class Profile;
}

// The viewer's one document: the survey, read-only. It is never modified, so
// closing or replacing it never asks anything, and Save/Save As stay disabled.
class COxvellDoc : public wxDocument {
public:
    COxvellDoc() = default;

    oxv::SurveyDocument& Survey() { return m_survey; }
    const oxv::SurveyDocument& Survey() const { return m_survey; }

    bool OnNewDocument() override;
    // False only when the file cannot be opened at all (a message has been
    // shown and the document is unchanged). A file that opens but cannot be
    // loaded leaves the document empty after its message, and still counts
    // as opened.
    bool OnOpenDocument(const wxString& path) override;
    bool IsModified() const override { return false; }
    void Modify(bool) override {}
    bool OnSaveModified() override { return true; }

    // The settings the load reads its playback parameters from; the
    // application sets it before any document is opened.
    static void SetProfile(oxv::Profile* profile);

private:
    void OnUpdateFileSave(wxUpdateUIEvent& event);
    void OnImportCameraPath(wxCommandEvent& event);
    void OnUpdateImportCameraPath(wxUpdateUIEvent& event);

    oxv::SurveyDocument m_survey;

    wxDECLARE_DYNAMIC_CLASS(COxvellDoc);
    wxDECLARE_EVENT_TABLE();
};
