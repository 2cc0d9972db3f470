#include "tools/demo/NavigationFiles.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "survey/CameraPath.h"

namespace oxv::demo {

namespace {

// A text file that appears under its name only when completely written.
class AtomicTextFile {
public:
    explicit AtomicTextFile(std::string path) : m_path(std::move(path)), m_temp(m_path + ".part")
    {
        m_file = std::fopen(m_temp.c_str(), "w");
    }
    ~AtomicTextFile()
    {
        if (m_file) {
            std::fclose(m_file);
            std::remove(m_temp.c_str());
        }
    }
    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    FILE* Get() const { return m_file; }
    bool Commit()
    {
        if (!m_file) return false;
        const bool ok = !std::ferror(m_file) && std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!ok || std::rename(m_temp.c_str(), m_path.c_str()) != 0) {
            std::remove(m_temp.c_str());
            return false;
        }
        return true;
    }

private:
    std::string m_path, m_temp;
    FILE* m_file = nullptr;
};

}  // namespace

int WriteNavigationFiles(const std::string& folder, const Flight& flight, const LocalFrame& frame,
                         const NavigationExport& options, std::string& error)
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    AtomicTextFile window(base + kTimeWindowFileName), navx(base + kNavFileName), geo(base + kGeoFileName);
    if (!window.Get() || !navx.Get() || !geo.Get()) {
        error = "cannot create the navigation files in " + folder;
        return 0;
    }
    const int epochs = static_cast<int>(std::floor(flight.Duration() * options.rate)) + 1;
    const double tEnd = options.gpsStart + static_cast<double>(epochs - 1) / options.rate;

    // The time window: its first two lines are read as they stand, so no
    // comment header here.
    std::fprintf(window.Get(), "%.3f\n%.3f\n", options.gpsStart + options.trim, tEnd - options.trim);

    std::fprintf(navx.Get(),
                 "%% navigation solution, local east/north/up of the survey frame\n"
                 "%% week  time(s)  east(m)  north(m)  up(m)  v_east(m/s)  v_north(m/s)  v_up(m/s)  "
                 "roll(deg)  pitch(deg)  heading(deg)\n");
    std::fprintf(geo.Get(),
                 "%% geodetic positions, WGS-84\n"
                 "%% time(s)  latitude(deg)  longitude(deg)  height(m, ellipsoidal)\n");
    for (int i = 0; i < epochs; ++i) {
        const double t = static_cast<double>(i) / options.rate;
        const FlightState st = flight.At(t);
        const double gps = options.gpsStart + t;
        const double roll = -st.bank / kDeg;
        const double pitch = st.noseUp / kDeg + options.cameraTilt;
        std::fprintf(navx.Get(), "%d %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.4f %.4f %.4f\n", options.gpsWeek, gps,
                     st.position.x, st.position.y, st.position.z, st.velocity.x, st.velocity.y, st.velocity.z, roll,
                     pitch, st.heading);
        const GeodeticPosition g = frame.ToGeodetic({st.position.x, st.position.y, st.position.z});
        // Ten decimals of a degree are about 0.01 mm on the ground.
        std::fprintf(geo.Get(), "%.3f %.10f %.10f %.4f\n", gps, g.latitude, g.longitude, g.height);
    }
    if (!window.Commit() || !navx.Commit() || !geo.Commit()) {
        error = "cannot write the navigation files in " + folder;
        return 0;
    }
    return epochs;
}

}  // namespace oxv::demo
