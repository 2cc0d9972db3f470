#pragma once

#include <string>

#include <cstdint>

#include <wx/docview.h>

#include "survey/SurveyDocument.h"

class wxUpdateUIEvent;

namespace oxv {
class OxvellHost;
}

// The viewer's one document: the survey, read-only. It is never modified, so
// closing or replacing it never asks anything, and Save/Save As stay disabled.
class COxvellDoc : public wxDocument {
public:
    COxvellDoc() = default;

    oxv::SurveyDocument& Survey() { return m_survey; }
    // Where the last Import Camera Path read or wrote cam_path.bin.
    const std::string& CameraPathCache() const { return m_cameraPathCache; }
    const oxv::SurveyDocument& Survey() const { return m_survey; }

    bool OnNewDocument() override;
    // False only when the file cannot be opened at all, a folder or a pipe
    // included (a message has been shown and the document is unchanged, or
    // empty when the file went away between the check and the read).
    // Otherwise the load ran: LastLoad() tells whether the survey is now the
    // file's, or the document was left empty (failed after its message, or
    // cancelled). The survey that was open is given back before the file is
    // read.
    bool OnOpenDocument(const wxString& path) override;
    oxv::LoadStatus LastLoad() const { return m_lastLoad; }
    // Titled as a new document, as after File > New.
    void TakeNewDocumentName();
    bool IsModified() const override { return false; }
    void Modify(bool) override {}
    bool OnSaveModified() override { return true; }

    // Tells the views that the camera path was replaced (an update with
    // hint 100): they rebuild their lists.
    void NotifyCameraPathChanged();
    [[nodiscard]] static bool IsCameraPathChange(const wxObject* hint);
    // Tells the views that the survey goes (they end its runs and give back
    // its lists), then empties the document.
    void ReleaseSurvey();
    [[nodiscard]] static bool IsSurveyRelease(const wxObject* hint);

    // The application: the settings the load reads its playback parameters
    // from. Without one a load reads none (defaults).
    void SetHost(oxv::OxvellHost* host) { m_host = host; }

private:
    void OnUpdateFileSave(wxUpdateUIEvent& event);
    void OnImportCameraPath(wxCommandEvent& event);
    void OnUpdateImportCameraPath(wxUpdateUIEvent& event);
    void OnImportTrajectory(wxCommandEvent& event);

    oxv::SurveyDocument m_survey;
    oxv::OxvellHost* m_host = nullptr;
    oxv::LoadStatus m_lastLoad = oxv::LoadStatus::Ok;
    std::string m_cameraPathCache;

    wxDECLARE_DYNAMIC_CLASS(COxvellDoc);
    wxDECLARE_EVENT_TABLE();
};
