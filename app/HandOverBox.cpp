#include "app/HandOverBox.h"

#include <wx/app.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

namespace oxv {

namespace {

// A flood of hand-overs lists this many and counts the rest.
constexpr size_t kListed = 50;

}  // namespace

HandOverBox::HandOverBox(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxTheApp->GetAppDisplayName(), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_text = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, FromDIP(wxSize(520, 160)),
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
    sizer->Add(m_text, 1, wxEXPAND | wxALL, FromDIP(10));
    sizer->Add(CreateStdDialogButtonSizer(wxOK), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(10));
    SetSizerAndFit(sizer);
}

void HandOverBox::Add(const wxString& path, const std::string& reason)
{
    if (m_entries.size() < kListed)
        m_entries.push_back(wxString::Format("Cannot open file \"%s\".\n%s", path, wxString::FromUTF8(reason.c_str())));
    else
        ++m_more;
    wxString text;
    for (const wxString& entry : m_entries) text += (text.empty() ? "" : "\n\n") + entry;
    if (m_more > 0) text += wxString::Format("\n\n... and %zu more files that cannot be opened.", m_more);
    m_text->ChangeValue(text);
}

wxString HandOverBox::Text() const
{
    return m_text->GetValue();
}

}  // namespace oxv
