#include "app/RecordingPrompt.h"

#include <wx/msgdlg.h>

#include "playback/FrameRecording.h"
#include "run/RunHost.h"

namespace oxv {

namespace {

wxString Utf8(const std::string& text)
{
    return wxString::FromUTF8(text.c_str());
}

}  // namespace

bool ConfirmFrameFolder(wxWindow* parent, std::string& folder, const FrameFolderChooser& choose)
{
    for (;;) {
        const std::vector<std::string> frames = FrameFilesIn(folder);
        if (frames.empty()) return true;
        const wxString which = frames.size() == 1
                                   ? Utf8(frames.front())
                                   : wxString::Format("%s to %s", Utf8(frames.front()), Utf8(frames.back()));
        wxMessageDialog ask(parent,
                            wxString::Format("The folder\n%s\nalready holds %zu frame files (%s) of an earlier "
                                             "recording.\n\nOverwrite removes them before this run writes its "
                                             "frames; Choose Another Folder records elsewhere.",
                                             Utf8(folder), frames.size(), which),
                            "Oxvell", wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_WARNING);
        (void)ask.SetYesNoCancelLabels("&Overwrite", "Choose &Another Folder...", "Cancel");
        const int answer = ask.ShowModal();
        if (answer == wxID_YES) {
            std::string reason;
            if (RemoveFrameFiles(folder, reason)) return true;
            wxMessageBox("The old frames could not all be removed, so nothing is recorded:\n" + Utf8(reason), "Oxvell",
                         wxOK | wxICON_ERROR, parent);
            return false;
        }
        if (answer != wxID_NO || !choose) return false;
        const wxString chosen = choose(parent, Utf8(folder));
        if (chosen.empty()) return false;
        folder = std::string(chosen.utf8_str());
    }
}

bool PrepareFirstPersonRecording(wxWindow* parent, RunHost& host, const FrameFolderChooser& choose)
{
    std::string folder = host.FpvFolder();
    std::string reason;
    if (PrepareFrameFolder(folder, reason) == FrameFolderState::Unusable) {
        wxMessageDialog ask(parent,
                            "The first-person flight cannot record: no frame can be written into its folder.\n" +
                                Utf8(reason) + "\n\nFly without recording?",
                            "Oxvell", wxOK | wxCANCEL | wxICON_WARNING);
        (void)ask.SetOKCancelLabels("&Fly Without Recording", "Cancel");
        return ask.ShowModal() == wxID_OK;
    }
    const std::string before = folder;
    if (!ConfirmFrameFolder(parent, folder, choose)) return false;
    if (folder != before) host.SetFpvFolder(folder);
    return true;
}

}  // namespace oxv
