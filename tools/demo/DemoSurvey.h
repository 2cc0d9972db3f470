#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tools/demo/Flight.h"
#include "tools/demo/LocalFrame.h"
#include "tools/demo/NavigationFiles.h"
#include "survey/PointFileWriter.h"
#include "tools/demo/Scanner.h"
#include "tools/demo/Scene.h"

namespace oxv::demo {

// Which of the optional channels a demo survey carries; xyz is always there.
struct DemoChannels {
    bool origin = true, color = true, amplitude = true, time = true, pose = true;
};

// "xyz,time,pose" and the like; the names of the info output. False with
// `error` set for an unknown name or a list without xyz.
[[nodiscard]] bool ParseChannelList(const std::string& list, DemoChannels& channels, std::string& error);

// Present channels packed in the order xyz, origin, colour, amplitude, time,
// pose; absent ones get index -1.
PointFileLayout LayoutFor(const DemoChannels& channels, const GeodeticOrigin& origin);

// Everything a demo is made from, built once per seed: the scene, the survey
// flight, the first-person flight and the local frame's geodetic origin.
class DemoWorld {
public:
    explicit DemoWorld(uint64_t seed);

    const Scene& GetScene() const { return *m_scene; }
    const Flight& SurveyFlight() const { return *m_survey; }
    const Flight& FirstPersonFlight() const { return *m_firstPerson; }
    const GeodeticOrigin& Origin() const { return m_origin; }
    LocalFrame Frame() const { return {m_origin.latitude, m_origin.longitude, m_origin.height}; }
    double GpsStart() const { return m_gpsStart; }
    double FirstPersonGpsStart() const;

    // A scanner whose pulse rate makes `points` echoes cover the survey's
    // strips: a trial run finds the share of pulses that come back.
    ScannerSettings PlanScanner(int32_t points) const;

private:
    std::unique_ptr<Scene> m_scene;
    std::unique_ptr<Flight> m_survey;
    std::unique_ptr<Flight> m_firstPerson;
    GeodeticOrigin m_origin;
    double m_gpsStart;
};

struct DemoOptions {
    int32_t points = 2'000'000;
    uint64_t seed = 1;
    DemoChannels channels;
};

struct DemoReport {
    int32_t records = 0;
    uint64_t pulses = 0;
    double pulseRate = 0.0;
    int pulsesPerLine = 0;
    double surveySeconds = 0.0;  // measurement time the records span
    int navigationEpochs = 0;
    double seconds = 0.0;        // time taken to generate and write
    double cpuSeconds = 0.0;     // processor time of the same
};

// Writes `folder`/survey.oxv and the navigation files. `progress` gets the
// share of points done, from 0 to 1. False with `error` set on failure; no
// partial file is left behind.
[[nodiscard]] bool WriteDemo(const std::string& folder, const DemoOptions& options, const std::function<void(double)>& progress,
               DemoReport& report, std::string& error);

}  // namespace oxv::demo
