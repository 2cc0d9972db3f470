// Opening a LAS survey against opening the same points as a point file:
// the whole open (read, value ranges, timeline, scanner path) through the
// one path the viewer takes, processor time, best of three.
//
//   las_bench --oxv SURVEY.oxv --las SURVEY.las [--las-crs SURVEY-utm.las]
//             [--trajectory NAV.txt] [--write-trajectory NAV.txt]
//
// --write-trajectory writes, from the point file's own pose channel, the
// flight's trajectory as text (time, latitude, longitude, height, roll,
// pitch, heading in degrees, 200 epochs a second) and exits; the scoreboard
// then opens the LAS survey with it.

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/BenchTable.h"
#include "geo/LocalFrame.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"

namespace {

double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Best of `reps` opens, in processor milliseconds; with a trajectory, the
// open and the trajectory's placement together.
double BestOpen(const std::string& path, const std::string& trajectory, int reps, int32_t& records)
{
    double best = 1e300;
    for (int r = 0; r < reps; ++r) {
        oxv::SurveyDocument doc;
        oxv::MemoryProfile profile;
        oxv::LoadObserver quiet;
        const double start = CpuMs();
        if (doc.LoadPointFile(path, profile, quiet) != oxv::LoadStatus::Ok) {
            std::fprintf(stderr, "las_bench: %s: %s\n", path.c_str(), doc.LoadProblem().c_str());
            std::exit(1);
        }
        if (!trajectory.empty() && doc.AttachTrajectory(trajectory) != oxv::TrajectoryStatus::Attached) {
            std::fprintf(stderr, "las_bench: %s: %s\n", trajectory.c_str(), doc.TrajectoryProblem().c_str());
            std::exit(1);
        }
        best = std::min(best, CpuMs() - start);
        records = doc.m_pPoints->Records();
    }
    return best;
}

int WriteTrajectory(const std::string& survey, const std::string& out)
{
    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    if (doc.LoadPointFile(survey, profile, quiet) != oxv::LoadStatus::Ok || !doc.m_pPoints->HasPose() ||
        !doc.m_pPoints->HasTime())
        return 1;
    const oxv::PointImage& image = *doc.m_pPoints;
    const oxv::LocalFrame frame(image.Header().origin);
    FILE* f = std::fopen(out.c_str(), "w");
    if (!f) return 1;
    std::fprintf(f, "# time latitude longitude height roll pitch heading (degrees), from %s\n", survey.c_str());
    double next = -1e300;
    for (size_t i = 0; i < static_cast<size_t>(image.Records()); ++i) {
        const double t = image.Time(i) / 400.0;
        if (t < next) continue;
        next = t + 0.005;
        const oxv::Pose p = image.PoseAt(i);
        const double local[3] = {p.v[3] / 1000.0, p.v[4] / 1000.0, p.v[5] / 1000.0};
        double lat, lon, h;
        frame.ToGeodetic(local, lat, lon, h);
        // The pose keeps the drawing's angles: back to roll, pitch and a
        // compass heading.
        double heading = 270.0 - p.v[2] / 1000.0;
        heading = std::fmod(heading + 360.0, 360.0);
        std::fprintf(f, "%.6f %.11f %.11f %.4f %.4f %.4f %.4f\n", t, lat, lon, h, p.v[1] / 1000.0, p.v[0] / 1000.0,
                     heading);
    }
    return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string oxv, las, lasCrs, trajectory, writeTrajectory;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--oxv") oxv = argv[i + 1];
        else if (option == "--las") las = argv[i + 1];
        else if (option == "--las-crs") lasCrs = argv[i + 1];
        else if (option == "--trajectory") trajectory = argv[i + 1];
        else if (option == "--write-trajectory") writeTrajectory = argv[i + 1];
    }
    if (!writeTrajectory.empty()) return WriteTrajectory(oxv, writeTrajectory);
    if (oxv.empty() || las.empty()) {
        std::fprintf(stderr, "las_bench --oxv SURVEY.oxv --las SURVEY.las [--las-crs F] [--trajectory F]\n");
        return 2;
    }
    namespace b = oxv::bench;
    int32_t records = 0;
    const double base = BestOpen(oxv, "", 3, records);
    const std::string baseline = b::Format("%.0f ms .oxv open", base);
    const double local = BestOpen(las, "", 3, records);
    b::Row("LAS open (local frame)", records, b::Format("%.0f ms", local), baseline, local / base, "<= 1.50",
           local / base <= 1.50);
    if (!lasCrs.empty()) {
        const double crs = BestOpen(lasCrs, "", 3, records);
        b::Row("LAS open (UTM, through PROJ)", records, b::Format("%.0f ms", crs), baseline, crs / base, "<= 1.50",
               crs / base <= 1.50);
        if (!trajectory.empty()) {
            const double flown = BestOpen(lasCrs, trajectory, 3, records);
            b::Row("  and its trajectory placed", records, b::Format("%.0f ms", flown), baseline, flown / base, "",
                   false);
        }
    }
    return 0;
}
