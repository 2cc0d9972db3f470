#pragma once

#include <wx/dialog.h>

// Help > About: the program's icon, name and version, and an OK button.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
