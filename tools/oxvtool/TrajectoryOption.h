#pragma once

#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "survey/SurveyDocument.h"

namespace oxv::tool {

// --trajectory FILE: the flight's trajectory, which gives a survey without
// its own sensor origin and pose (a LAS file) those channels, as File >
// Import Trajectory... does in the viewer.
inline void AddTrajectoryOption(CLI::App* command, std::string& file)
{
    command->add_option("--trajectory", file,
                        "trajectory (SBET, or text: time, latitude, longitude, height, roll, pitch, heading in degrees) "
                        "giving the survey its sensor origin and pose");
}

// The trajectory's message as the viewer words it: a first line, then the
// file and the reason.
inline std::string TrajectoryFailureText(oxv::TrajectoryStatus status, const std::string& file,
                                         const std::string& reason)
{
    const char* first = "The trajectory cannot be used";
    if (status == oxv::TrajectoryStatus::CannotOpen) first = "Cannot open the trajectory";
    if (status == oxv::TrajectoryStatus::BadFile) first = "Trajectory format error";
    if (status == oxv::TrajectoryStatus::NotEnoughMemory) first = "Not enough memory";
    return std::string(first) + "\n" + file + (reason.empty() ? std::string() : ": " + reason);
}

// Attaches the trajectory when one was given; false (after saying why on
// standard error) when it cannot be.
inline bool ApplyTrajectoryOption(oxv::SurveyDocument& doc, const std::string& file)
{
    if (file.empty()) return true;
    const oxv::TrajectoryStatus status = doc.AttachTrajectory(file);
    if (status == oxv::TrajectoryStatus::Attached) return true;
    std::cerr << TrajectoryFailureText(status, file, doc.TrajectoryProblem()) << "\n";
    return false;
}

}  // namespace oxv::tool
