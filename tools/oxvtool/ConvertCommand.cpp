#include <cctype>
#include <iostream>
#include <memory>
#include <string>

#include "las/LasWriter.h"
#include "base/FileReading.h"
#include "survey/PointFileWriter.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tools/oxvtool/SurveyOpening.h"
#include "tools/oxvtool/Commands.h"
#include "tools/oxvtool/TrajectoryOption.h"

namespace oxv::tool {

namespace {

struct ConvertOptions {
    std::string in;
    std::string out;
    std::string crs;
    std::string trajectory;
};

bool NamedLas(const std::string& path)
{
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".las";
}

// The image is a point file as it stands: its header and records go out as
// they are held, under a temporary name renamed when whole.
bool WritePointFile(const oxv::PointImage& image, const std::string& path, std::string& why)
{
    const oxv::PointHeader& h = image.Header();
    oxv::PointFileLayout layout;
    layout.stride = h.stride;
    layout.channels = h.channels;
    layout.origin = h.origin;
    oxv::PointFileWriter writer(path, layout, h.recordCount);
    writer.WriteRaw(image.Data() + oxv::kPointHeaderSize, image.RecordBytes() * static_cast<size_t>(image.Records()));
    if (writer.Finish()) return true;
    why = "cannot write " + path;
    return false;
}

int RunConvert(const ConvertOptions& options)
{
    const bool toLas = NamedLas(options.out);
    if (!options.crs.empty() && !toLas) {
        std::cerr << "oxvtool: --crs applies to a LAS output (OUT named .las)\n";
        return kUsageError;
    }
    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    if (OpenSurveyOrExplain(doc, options.in, profile, quiet) != oxv::LoadStatus::Ok) return kWorkFailed;
    if (!ApplyTrajectoryOption(doc, options.trajectory)) return kWorkFailed;
    std::string why;
    const bool written = toLas ? oxv::las::WriteLasFile(*doc.m_pPoints, options.out, options.crs, why)
                               : WritePointFile(*doc.m_pPoints, options.out, why);
    if (!written) {
        std::cerr << "oxvtool: " << why << "\n";
        return kWorkFailed;
    }
    return kSuccess;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* convert = app.add_subcommand(
        "convert", "Convert a survey between .oxv and LAS (the output's name says which: .las is LAS 1.4)");
    convert->add_option("IN", options->in, "survey to read (.oxv or .las)")->required();
    convert->add_option("OUT", options->out, "file to write: .las for LAS 1.4, anything else a .oxv point file")
        ->required();
    convert->add_option("--crs", options->crs,
                        "LAS output in this coordinate system (EPSG:N or any PROJ definition) instead of the local "
                        "frame in metres");
    AddTrajectoryOption(convert, options->trajectory);
    convert->callback([options, &exitStatus] { exitStatus = RunConvert(*options); });
}

}  // namespace oxv::tool
