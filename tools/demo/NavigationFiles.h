#pragma once

#include <string>

#include "tools/demo/Flight.h"
#include "tools/demo/LocalFrame.h"

namespace oxv::demo {

struct NavigationExport {
    double gpsStart = 0.0;   // seconds of the first epoch
    double rate = 50.0;      // epochs per second
    int gpsWeek = 2345;      // the first field of every navx.txt line
    double trim = 2.0;       // the time window leaves this much out at either end
    double cameraTilt = -8.0;  // degrees; the first-person camera looks a little down
};

// Writes gps_tw.txt, navx.txt and geo.txt for a flight into `folder`, each
// whole or not at all. Attitude is that of a forward-looking camera: it
// looks along (-cos heading, -sin heading); positive roll lowers its left
// side, positive pitch raises its view. Positions go out as WGS-84 latitude,
// longitude and ellipsoidal height through `frame`. Returns the number of
// epochs written, 0 on failure with `error` set.
int WriteNavigationFiles(const std::string& folder, const Flight& flight, const LocalFrame& frame,
                         const NavigationExport& options, std::string& error);

}  // namespace oxv::demo
