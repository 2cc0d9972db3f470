#include "las/GeoKeys.h"

#include <geotiff/geo_normalize.h>
#include <geotiff/geo_simpletags.h>
#include <geotiff/geotiff.h>

#include <cstring>
#include <memory>

namespace oxv::las {

namespace {

constexpr uint16_t kModelTypeKey = 1024;
constexpr uint16_t kGeographicTypeKey = 2048;
constexpr uint16_t kProjectedTypeKey = 3072;
constexpr uint16_t kVerticalTypeKey = 4096;
constexpr int kModelProjected = 1;
constexpr int kModelGeographic = 2;
constexpr int kUserDefined = 32767;

struct KeyValues {
    int model = 0;
    int geographic = 0;
    int projected = 0;
    int vertical = 0;
};

bool IsCode(int value) { return value > 0 && value < kUserDefined; }

// The short-valued keys we look at; false when the directory's own counts
// do not fit its length.
bool ReadShortKeys(const std::vector<uint16_t>& shorts, KeyValues& keys)
{
    if (shorts.size() < 4) return false;
    const size_t count = shorts[3];
    if (4 + 4 * count > shorts.size()) return false;
    for (size_t k = 0; k < count; ++k) {
        const uint16_t* entry = shorts.data() + 4 + 4 * k;
        if (entry[1] != 0) continue;  // stored elsewhere: not one of ours
        const int value = entry[3];
        switch (entry[0]) {
        case kModelTypeKey: keys.model = value; break;
        case kGeographicTypeKey: keys.geographic = value; break;
        case kProjectedTypeKey: keys.projected = value; break;
        case kVerticalTypeKey: keys.vertical = value; break;
        default: break;
        }
    }
    return true;
}

struct SimpleTagsDeleter {
    void operator()(ST_TIFF* tags) const { ST_Destroy(tags); }
};
struct GtifDeleter {
    void operator()(GTIF* gtif) const { GTIFFree(gtif); }
};
struct DefnDeleter {
    void operator()(GTIFDefn* defn) const { GTIFFreeDefn(defn); }
};

// A system given by parameters: libgeotiff resolves them, PROJ's database
// behind it, into a PROJ string.
std::string FromParameters(std::vector<uint16_t>& shorts, const std::vector<uint8_t>& doubles,
                           const std::vector<uint8_t>& ascii, std::string& why)
{
    std::unique_ptr<ST_TIFF, SimpleTagsDeleter> tags(ST_Create());
    if (!tags) return {};
    ST_SetKey(tags.get(), 34735, static_cast<int>(shorts.size()), STT_SHORT, shorts.data());
    std::vector<double> values(doubles.size() / sizeof(double));
    if (!values.empty()) {
        std::memcpy(values.data(), doubles.data(), values.size() * sizeof(double));
        ST_SetKey(tags.get(), 34736, static_cast<int>(values.size()), STT_DOUBLE, values.data());
    }
    std::string text(ascii.begin(), ascii.end());
    if (!text.empty()) ST_SetKey(tags.get(), 34737, static_cast<int>(text.size()) + 1, STT_ASCII, text.data());
    std::unique_ptr<GTIF, GtifDeleter> gtif(GTIFNewSimpleTags(tags.get()));
    std::unique_ptr<GTIFDefn, DefnDeleter> defn(GTIFAllocDefn());
    if (!gtif || !defn || !GTIFGetDefn(gtif.get(), defn.get()) || !defn->DefnSet) {
        why = "the GeoTIFF keys define no coordinate system libgeotiff understands";
        return {};
    }
    char* proj = GTIFGetProj4Defn(defn.get());
    std::string definition = proj ? proj : "";
    GTIFFreeMemory(proj);
    if (definition.empty() || definition.find("+proj=") == std::string::npos) {
        why = "the GeoTIFF keys define no coordinate system libgeotiff understands";
        return {};
    }
    return definition + " +type=crs";
}

}  // namespace

std::string CoordinateSystemFromGeoKeys(const std::vector<uint8_t>& directory, const std::vector<uint8_t>& doubles,
                                        const std::vector<uint8_t>& ascii, std::string& why)
{
    std::vector<uint16_t> shorts(directory.size() / 2);
    if (!shorts.empty()) std::memcpy(shorts.data(), directory.data(), shorts.size() * 2);
    KeyValues keys;
    if (!ReadShortKeys(shorts, keys)) {
        why = "a GeoTIFF key directory longer than its record";
        return {};
    }
    std::string horizontal;
    if (IsCode(keys.projected))
        horizontal = std::to_string(keys.projected);
    else if (IsCode(keys.geographic) && keys.model != kModelProjected)
        horizontal = std::to_string(keys.geographic);
    if (!horizontal.empty()) {
        if (IsCode(keys.vertical)) return "EPSG:" + horizontal + "+" + std::to_string(keys.vertical);
        return "EPSG:" + horizontal;
    }
    if (keys.model != kModelProjected && keys.model != kModelGeographic) {
        why = keys.model == 0 ? "GeoTIFF keys without a model type"
                              : "GeoTIFF model type " + std::to_string(keys.model) + " (neither projected nor geographic)";
        return {};
    }
    return FromParameters(shorts, doubles, ascii, why);
}

}  // namespace oxv::las
