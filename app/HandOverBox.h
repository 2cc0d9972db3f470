#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

class wxTextCtrl;

namespace oxv {

// What went wrong with files later starts handed over: one box, which
// failures that come while it is shown join, instead of a message box
// each stacked over the last.
class HandOverBox final : public wxDialog {
public:
    explicit HandOverBox(wxWindow* parent);

    void Add(const wxString& path, const std::string& reason);
    wxString Text() const;

private:
    std::vector<wxString> m_entries;
    size_t m_more = 0;  // failures beyond the ones listed
    wxTextCtrl* m_text = nullptr;
};

}  // namespace oxv
