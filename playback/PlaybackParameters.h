#pragma once

// The Parameter command's values: what the dialog shows and how its texts
// are read back. Kept apart from the dialog window so it is tested alone.

#include <string>

#include "base/Profile.h"
#include "survey/SurveyDocument.h"

namespace oxv {

// Texts read as the C library reads a leading number: leading blanks
// skipped, reading stops at the first character that does not fit, no
// number gives 0.
double ReadLeadingDouble(const std::string& text);
long ReadLeadingLong(const std::string& text);

struct PlaybackDialogValues {
    double m_dSpeedPercent = 100.0;
    int m_nIntervalMs = 33;
    PlaybackParams params;  // the working record the dialog edits
};

// The dialog's starting values from the document's timeline and parameters.
PlaybackDialogValues DialogValuesFromDocument(const SurveyDocument& doc);

// Texts as the dialog's fields show them.
std::string FormatSpeedPercent(double percent);  // "%.2lf"
std::string FormatIntervalMs(int ms);            // "%d"
std::string FormatCameraValue(double value);     // "%.1lf"

// OK is enabled by the field edited last: speed or frame period above 0.
[[nodiscard]] bool SpeedAllowsOk(double percent);
bool IntervalAllowsOk(long ms);

// Why OK may be refused even so: a speed or frame period of 0 or less, or a
// frame count the timeline could not hold. Empty when the values are fine.
std::string RefuseReason(const SurveyDocument& doc, double speedPercent, long intervalMs);
// The same for a frame period in seconds that need not be whole
// milliseconds (a recording at a standard frame rate).
std::string RefuseReasonForPeriod(const SurveyDocument& doc, double speedPercent, double periodSeconds);

// Confirming the dialog: rebuilds the document's timeline and parameter
// copy, stores the parameters ("PBV") and the new timeline record ("PBF").
// False, with nothing changed or stored, when the values are refused.
[[nodiscard]] bool ApplyPlaybackDialog(SurveyDocument& doc, Profile& profile, const PlaybackDialogValues& values);
// The same with the frame period given in seconds instead of the values'
// whole milliseconds: each frame then covers speed x periodSeconds of
// measurement time exactly.
[[nodiscard]] bool ApplyPlaybackValues(SurveyDocument& doc, Profile& profile, const PlaybackDialogValues& values,
                                       double periodSeconds);

}  // namespace oxv
