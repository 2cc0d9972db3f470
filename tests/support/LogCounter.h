#pragma once

// Counts the toolkit's log records while it lives, so a test can show that
// nothing was logged (in the viewer a logged warning opens a message box).

#include <wx/log.h>

namespace oxv::test {

class LogCounter final : public wxLog {
public:
    LogCounter() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~LogCounter() override { wxLog::SetActiveTarget(m_previous); }
    LogCounter(const LogCounter&) = delete;
    LogCounter& operator=(const LogCounter&) = delete;
    int records = 0;

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override { ++records; }

private:
    wxLog* m_previous;
};

}  // namespace oxv::test
