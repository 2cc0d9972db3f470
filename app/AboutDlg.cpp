#include "app/AboutDlg.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

CAboutDlg::CAboutDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, "About Oxvell")
{
    auto* text = new wxBoxSizer(wxVERTICAL);
    text->Add(new wxStaticText(this, wxID_ANY, "Oxvell, Version 1.0"), 0, wxBOTTOM, 4);
    text->Add(new wxStaticText(this, wxID_ANY, "Airborne laser-scan survey viewer"));

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    const wxIcon icon = parent ? static_cast<wxTopLevelWindow*>(wxGetTopLevelParent(parent))->GetIcon() : wxIcon();
    if (icon.IsOk()) row->Add(new wxStaticBitmap(this, wxID_ANY, icon), 0, wxRIGHT, 12);
    row->Add(text, 1);

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(row, 0, wxALL, 12);
    top->Add(ok, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
}
