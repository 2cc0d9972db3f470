#include "tools/oxvtool/SurveySummary.h"

#include <cstdio>
#include <sstream>

#include "geo/LocalFrame.h"

namespace oxv::tool {

using nlohmann::ordered_json;

namespace {

// The header keeps the origin in radians; people read degrees.
double Degrees(double radians) { return radians * 57.29577951308232; }

ordered_json RangeToJson(const oxv::ValueRange& r) { return {{"max", r.max}, {"min", r.min}, {"valid", r.valid}}; }

ordered_json ScannerPathToJson(const oxv::PathNode* path, bool full)
{
    if (!path) return nullptr;
    ordered_json j{{"count", path[0].key}};
    if (full) {
        ordered_json nodes = ordered_json::array();
        for (int32_t i = 0; i < path[0].key; ++i) {
            const oxv::PathNode& n = path[i];
            nodes.push_back({n.key, n.roll, n.pitch, n.heading, n.x, n.y, n.z});
        }
        j["nodes"] = std::move(nodes);
    }
    return j;
}

ordered_json TimelineToJson(const oxv::SurveyDocument& doc, bool full)
{
    const oxv::PlaybackTimeline* t = doc.m_pTimeline.get();
    if (!t) return nullptr;
    ordered_json j{{"frames", t->frames}, {"t0", t->t0}, {"t1", t->t1}, {"step", t->step}, {"interval", t->interval}};
    if (full) {
        ordered_json spans = ordered_json::array();
        ordered_json poses = ordered_json::array();
        for (int32_t f = 0; f < t->frames; ++f) {
            spans.push_back({t->spans[f].first, t->spans[f].last});
            oxv::Pose pose{};
            if (doc.InterpolatePoseAt(f, pose))
                poses.push_back({pose.v[0], pose.v[1], pose.v[2], pose.v[3], pose.v[4], pose.v[5]});
            else
                poses.push_back(nullptr);
        }
        j["spans"] = std::move(spans);
        j["poses"] = std::move(poses);
    }
    return j;
}

ordered_json ParamsToJson(const oxv::PlaybackParams* p)
{
    if (!p) return nullptr;
    return {{"recordVideo", p->recordVideo},
            {"outputFolder", p->outputFolder ? ordered_json(*p->outputFolder) : ordered_json(nullptr)},
            {"trackVehicle", p->trackVehicle},
            {"autoCamera", p->autoCamera},
            {"nearDistance", p->nearDistance},
            {"farDistance", p->farDistance},
            {"cameraSpeed", p->cameraSpeed},
            {"panRate", p->panRate}};
}

ordered_json Triple(const double v[3]) { return ordered_json::array({v[0], v[1], v[2]}); }

std::string Version(const oxv::las::Header& h)
{
    return std::to_string(h.versionMajor) + "." + std::to_string(h.versionMinor);
}

ordered_json LasToJson(const oxv::las::LasSurvey& s)
{
    const oxv::las::Header& h = s.header;
    ordered_json j;
    j["version"] = Version(h);
    j["point_format"] = h.pointFormat;
    j["record_length"] = h.recordLength;
    j["extra_bytes"] = h.ExtraBytes();
    j["point_count"] = h.pointCount;
    j["legacy_point_count"] = h.legacyPointCount;
    j["points_by_return"] = ordered_json::array();
    for (uint64_t n : h.pointsByReturn) j["points_by_return"].push_back(n);
    j["file_source_id"] = h.fileSourceId;
    j["global_encoding"] = h.globalEncoding;
    j["system_id"] = h.systemId;
    j["software"] = h.software;
    j["creation_day"] = h.creationDay;
    j["creation_year"] = h.creationYear;
    j["header_size"] = h.headerSize;
    j["point_data_offset"] = h.pointDataOffset;
    j["vlr_count"] = h.vlrCount;
    j["evlr_count"] = h.evlrCount;
    j["scale"] = Triple(h.scale);
    j["offset"] = Triple(h.offset);
    j["header_min"] = Triple(h.min);
    j["header_max"] = Triple(h.max);
    j["data_min"] = Triple(s.dataMin);
    j["data_max"] = Triple(s.dataMax);
    j["crs"] = {{"source", s.crsSource.empty() ? ordered_json(nullptr) : ordered_json(s.crsSource)},
                {"definition", s.crsDefinition},
                {"name", s.crsName},
                {"problem", s.crsProblem},
                {"operation", s.operation}};
    j["origin_from_file"] = s.originFromFile;
    j["lattice"] = {{"columns", s.latticeColumns}, {"rows", s.latticeRows}, {"error_m", s.latticeError}};
    j["intensity_max"] = s.intensityMax;
    j["intensity_shift"] = s.intensityShift;
    j["colour_max"] = s.colorMax;
    j["colour_scaling"] = s.colorHighBytes ? "high byte" : "as stored";
    j["gps_time"] = {{"adjusted_standard", h.AdjustedStandardGpsTime()},
                     {"min", s.timeMin},
                     {"max", s.timeMax},
                     {"ordered", s.timeOrdered}};
    return j;
}

ordered_json TrajectoryToJson(const oxv::TrajectoryReport& r)
{
    return {{"file", r.file},
            {"format", oxv::TrajectoryFormatName(r.format)},
            {"records", r.records},
            {"start", r.start},
            {"end", r.end},
            {"time_base", r.timeBase},
            {"points_before", r.pointsBefore},
            {"points_after", r.pointsAfter},
            {"points_outside", r.pointsBefore + r.pointsAfter}};
}

}  // namespace

ordered_json SurveyToJson(const oxv::SurveyDocument& doc, oxv::LoadStatus status, bool full)
{
    ordered_json j;
    j["status"] = status == oxv::LoadStatus::Ok ? std::string("ok") : std::string(oxv::LoadMessage(status));
    if (!doc.LoadProblem().empty()) j["reason"] = doc.LoadProblem();
    if (const oxv::PointImage* image = doc.m_pPoints.get()) {
        const oxv::PointHeader& h = image->Header();
        j["records"] = h.recordCount;
        j["stride"] = h.stride;
        j["channels"] = {{"xyz", h.channels.xyz},           {"origin", h.channels.origin},
                         {"colour", h.channels.color},     {"amplitude", h.channels.amplitude},
                         {"time", h.channels.time},         {"pose", h.channels.pose}};
        j["origin"] = {{"latitude", h.origin.latitude},
                       {"longitude", h.origin.longitude},
                       {"height", h.origin.height},
                       {"latitude_deg", Degrees(h.origin.latitude)},
                       {"longitude_deg", Degrees(h.origin.longitude)}};
    } else {
        j["records"] = j["stride"] = j["channels"] = j["origin"] = nullptr;
    }
    j["stats"] = {{"range", RangeToJson(doc.m_rangeStat)}, {"amplitude", RangeToJson(doc.m_ampStat)},
                  {"x", RangeToJson(doc.m_xStat)},         {"y", RangeToJson(doc.m_yStat)},
                  {"z", RangeToJson(doc.m_zStat)},         {"time", RangeToJson(doc.m_timeStat)}};
    j["scanner_path"] = ScannerPathToJson(doc.m_pScannerPath.get(), full);
    j["timeline"] = TimelineToJson(doc, full);
    if (!doc.TimelineProblem().empty()) j["timeline_problem"] = doc.TimelineProblem();
    j["params"] = ParamsToJson(doc.m_pPlaybackParams.get());
    if (const oxv::las::LasSurvey* las = doc.LasInfo()) j["las"] = LasToJson(*las);
    if (const oxv::TrajectoryReport* trajectory = doc.TrajectoryInfo()) j["trajectory"] = TrajectoryToJson(*trajectory);
    return j;
}

namespace {

std::string Channel(int8_t index)
{
    return index < 0 ? std::string("absent") : "word " + std::to_string(index);
}

void RangeLine(std::ostringstream& out, const char* name, const oxv::ValueRange& r, double scale, const char* unit)
{
    char line[160];
    if (!r.valid)
        std::snprintf(line, sizeof line, "  %-10s none\n", name);
    else
        std::snprintf(line, sizeof line, "  %-10s %.3f to %.3f %s\n", name, r.min * scale, r.max * scale, unit);
    out << line;
}

std::string LasText(const oxv::las::LasSurvey& s)
{
    const oxv::las::Header& h = s.header;
    std::ostringstream out;
    char line[400];
    std::snprintf(line, sizeof line, "LAS:        %s, point format %d, %u-byte records (%d extra), %llu points\n",
                  Version(h).c_str(), h.pointFormat, h.recordLength, h.ExtraBytes(),
                  static_cast<unsigned long long>(h.pointCount));
    out << line;
    out << "            system \"" << h.systemId << "\", software \"" << h.software << "\"\n";
    if (!s.crsName.empty())
        out << "            coordinate system " << s.crsName << " (" << s.crsSource << ")\n";
    else if (!s.crsProblem.empty())
        out << "            coordinate system unusable: " << s.crsProblem << "\n";
    else if (s.originFromFile)
        out << "            no coordinate system: the local frame of its Oxvell origin record\n";
    else
        out << "            no coordinate system\n";
    if (!s.crsName.empty()) {
        if (s.latticeColumns > 0)
            std::snprintf(line, sizeof line, "            through PROJ on a %dx%d lattice, within %.3f mm\n",
                          s.latticeColumns, s.latticeRows, s.latticeError * 1000.0);
        else
            std::snprintf(line, sizeof line, "            every point through PROJ\n");
        out << line;
    }
    std::snprintf(line, sizeof line,
                  "            amplitude = intensity >> %d (largest %u), colour %s (largest %u)\n", s.intensityShift,
                  s.intensityMax, s.colorHighBytes ? "= RGB >> 8" : "= RGB as stored", s.colorMax);
    out << line;
    return out.str();
}

}  // namespace

std::string SurveyToText(const std::string& path, const oxv::SurveyDocument& doc)
{
    std::ostringstream out;
    const oxv::PointImage& image = *doc.m_pPoints;
    const oxv::PointHeader& h = image.Header();
    char line[200];
    out << "File:       " << path << "\n";
    std::snprintf(line, sizeof line, "Records:    %d of %d words (%zu bytes)\n", h.recordCount, h.stride, image.Size());
    out << line;
    if (oxv::HasGeodeticOrigin(h.origin))
        std::snprintf(line, sizeof line,
                      "Origin:     lat %.9f rad (%.7f deg), lon %.9f rad (%.7f deg), height %.3f m\n",
                      h.origin.latitude, Degrees(h.origin.latitude), h.origin.longitude, Degrees(h.origin.longitude),
                      h.origin.height);
    else
        std::snprintf(line, sizeof line, "Origin:     none (a local frame without a place on the earth)\n");
    out << line;
    if (const oxv::las::LasSurvey* las = doc.LasInfo()) out << LasText(*las);
    out << "Channels:   xyz " << Channel(h.channels.xyz) << ", origin " << Channel(h.channels.origin) << ", colour "
        << Channel(h.channels.color) << ", amplitude " << Channel(h.channels.amplitude) << ", time "
        << Channel(h.channels.time) << ", pose " << Channel(h.channels.pose) << "\n";
    out << "Ranges:\n";
    RangeLine(out, "x", doc.m_xStat, 0.001, "m");
    RangeLine(out, "y", doc.m_yStat, 0.001, "m");
    RangeLine(out, "z", doc.m_zStat, 0.001, "m");
    RangeLine(out, "range", doc.m_rangeStat, 0.001, "m");
    RangeLine(out, "amplitude", doc.m_ampStat, 1.0, "");
    RangeLine(out, "time", doc.m_timeStat, 0.001, "s");
    out << "Scanner path: ";
    if (doc.m_pScannerPath)
        out << doc.m_pScannerPath[0].key << " nodes\n";
    else
        out << "none\n";
    out << "Timeline:   ";
    if (const oxv::PlaybackTimeline* t = doc.m_pTimeline.get()) {
        std::snprintf(line, sizeof line, "%d frames, %.3f s of survey from %.3f s, %.4f s per frame, played every %.4f s\n",
                      t->frames, t->t1 - t->t0, t->t0, t->step, t->interval);
        out << line;
    } else if (!doc.TimelineProblem().empty()) {
        out << "none (" << doc.TimelineProblem() << ")\n";
    } else {
        out << "none (no time channel)\n";
    }
    if (const oxv::PlaybackParams* p = doc.m_pPlaybackParams.get()) {
        std::snprintf(line, sizeof line,
                      "Playback:   video recording %s, track vehicle %s, auto camera %s\n"
                      "            near %.2f m, far %.2f m, speed %.2f m/s, pan %.2f deg/s\n",
                      p->recordVideo ? "on" : "off", p->trackVehicle ? "on" : "off", p->autoCamera ? "on" : "off",
                      p->nearDistance, p->farDistance, p->cameraSpeed, p->panRate);
        out << line;
        out << "            output folder " << (p->outputFolder ? *p->outputFolder : std::string("none")) << "\n";
    }
    if (const oxv::TrajectoryReport* r = doc.TrajectoryInfo()) {
        std::snprintf(line, sizeof line, "Trajectory: %s (%s, %zu records, %.3f to %.3f s)\n", r->file.c_str(),
                      oxv::TrajectoryFormatName(r->format), r->records, r->start, r->end);
        out << line << "            " << r->timeBase << "\n";
        std::snprintf(line, sizeof line,
                      "            %lld points outside its time (%lld before, %lld after), held at its ends\n",
                      static_cast<long long>(r->pointsBefore + r->pointsAfter), static_cast<long long>(r->pointsBefore),
                      static_cast<long long>(r->pointsAfter));
        out << line;
    }
    return out.str();
}

}  // namespace oxv::tool
