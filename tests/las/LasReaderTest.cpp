// The LAS reader against files the tests build byte by byte: every point
// data format and version, how each field becomes a channel, coordinate
// systems, and the refusals of damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "geo/CoordinateSystem.h"
#include "geo/CrsToLocal.h"
#include "geo/LocalFrame.h"
#include "las/LasReader.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/las/LasFixture.h"
#include "tests/support/ScratchDir.h"

namespace oxv::test {
namespace {

// Three points around (2000, 1500, 35) m at scale 0.01, offsets (1000, 2000, 10).
LasRecipe ThreePoints(int minor, int format, int extraBytes = 0)
{
    LasRecipe recipe;
    recipe.minor = minor;
    recipe.format = format;
    recipe.extraBytes = extraBytes;
    recipe.offset[0] = 1000;
    recipe.offset[1] = 2000;
    recipe.offset[2] = 10;
    // Header bounds that are not the data's: the data's own decide.
    recipe.min[0] = recipe.min[1] = recipe.min[2] = -5000;
    recipe.max[0] = recipe.max[1] = recipe.max[2] = 9000;
    recipe.points = {
        {100000, -50000, 2500, 1000, {0x1200, 0x3400, 0xFF00}, 345600.5},
        {100123, -49900, 2600, 4095, {65535, 0, 257}, 345600.75},
        {99900, -50100, 2400, 0, {256, 512, 768}, 345601.0},
    };
    return recipe;
}

struct Opened {
    SurveyDocument doc;
    LoadStatus status = LoadStatus::Ok;
};

void Open(const std::vector<uint8_t>& bytes, Opened& opened, const std::string& name = "survey.las")
{
    static ScratchDir dir;
    const std::string path = dir.File(name);
    WriteBytes(path, bytes);
    MemoryProfile profile;
    LoadObserver quiet;
    opened.status = opened.doc.LoadPointFile(path, profile, quiet);
}

struct FormatCase {
    int minor;
    int format;
    int extraBytes;
};

class EveryPointFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(EveryPointFormat, EachFieldBecomesItsChannel)
{
    const FormatCase c = GetParam();
    Opened o;
    Open(MakeLas(ThreePoints(c.minor, c.format, c.extraBytes)), o);
    ASSERT_EQ(o.status, LoadStatus::Ok) << o.doc.LoadProblem();
    const PointImage& image = *o.doc.m_pPoints;
    const las::PointFormat& f = las::kPointFormats[c.format];
    ASSERT_EQ(image.Records(), 3);
    EXPECT_FALSE(HasGeodeticOrigin(image.Header().origin));
    EXPECT_FALSE(image.HasOrigin());
    EXPECT_FALSE(image.HasPose());
    EXPECT_EQ(image.HasColor(), f.rgb >= 0);
    EXPECT_EQ(image.HasTime(), f.gpsTime >= 0);
    ASSERT_TRUE(image.HasAmplitude());

    // The frame is centred on the data (2000.115, 1500, 35 m, rounded to
    // whole metres), not on the header's bounds.
    const int32_t xyz[3][3] = {{0, 0, 0}, {1230, 1000, 1000}, {-1000, -1000, -1000}};
    // 4095 needs 12 bits: amplitude = intensity >> 4.
    const uint8_t amplitude[3] = {62, 255, 0};
    // A value above 255 in the first record: the high bytes.
    const uint8_t color[3][3] = {{0x12, 0x34, 0xFF}, {255, 0, 1}, {1, 2, 3}};
    const double time[3] = {345600.5, 345600.75, 345601.0};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        for (int a = 0; a < 3; ++a) EXPECT_EQ(image.Xyz(i)[a], xyz[i][a]);
        EXPECT_EQ(image.Amplitude(i), amplitude[i]);
        if (image.HasColor()) {
            for (int k = 0; k < 3; ++k) EXPECT_EQ(image.ColorBytes(i)[k], color[i][k]);
        }
        if (image.HasTime()) {
            EXPECT_EQ(image.Time(i), time[i] * 400.0);
        }
    }

    const las::LasSurvey* las = o.doc.LasInfo();
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->header.versionMinor, c.minor);
    EXPECT_EQ(las->header.pointFormat, c.format);
    EXPECT_EQ(las->header.recordLength, f.size + c.extraBytes);
    EXPECT_EQ(las->header.ExtraBytes(), c.extraBytes);
    EXPECT_EQ(las->header.pointCount, 3u);
    EXPECT_EQ(las->header.systemId, "TEST SYSTEM");
    EXPECT_EQ(las->header.software, "oxv tests");
    EXPECT_EQ(las->header.creationYear, 2024);
    EXPECT_EQ(las->header.scale[0], 0.01);
    EXPECT_EQ(las->header.offset[1], 2000.0);
    EXPECT_EQ(las->header.min[2], -5000.0);
    EXPECT_EQ(las->intensityShift, 4);
    EXPECT_EQ(las->intensityMax, 4095);
    EXPECT_DOUBLE_EQ(las->dataMin[0], 1999.0);
    EXPECT_DOUBLE_EQ(las->dataMax[0], 2001.23);
    EXPECT_TRUE(las->crsName.empty());
    EXPECT_EQ(las->timeOrdered, true);
    // Channels the rest of the program reads: value ranges over the records.
    EXPECT_EQ(o.doc.m_xStat.min, -1000);
    EXPECT_EQ(o.doc.m_xStat.max, 1230);
    EXPECT_EQ(o.doc.m_ampStat.max, 255);
    EXPECT_EQ(o.doc.m_timeStat.valid, image.HasTime() ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Las, EveryPointFormat,
                         ::testing::Values(FormatCase{0, 0, 0}, FormatCase{0, 1, 0}, FormatCase{1, 1, 4},
                                           FormatCase{2, 2, 0}, FormatCase{2, 3, 2}, FormatCase{3, 4, 0},
                                           FormatCase{3, 5, 0}, FormatCase{4, 0, 0}, FormatCase{4, 3, 0},
                                           FormatCase{4, 6, 0}, FormatCase{4, 7, 7}, FormatCase{4, 8, 0},
                                           FormatCase{4, 9, 0}, FormatCase{4, 10, 3}),
                         [](const auto& test) {
                             return "v1" + std::to_string(test.param.minor) + "_format" +
                                    std::to_string(test.param.format) + "_extra" +
                                    std::to_string(test.param.extraBytes);
                         });

TEST(LasColor, EightBitValuesAreTakenAsTheyAre)
{
    LasRecipe recipe = ThreePoints(2, 2);
    recipe.points[0].rgb[0] = 200;
    recipe.points[1].rgb[0] = 255;
    recipe.points[1].rgb[1] = 17;
    recipe.points[1].rgb[2] = 0;
    recipe.points[2].rgb[0] = 1;
    recipe.points[2].rgb[1] = recipe.points[2].rgb[2] = 0;
    recipe.points[0].rgb[1] = recipe.points[0].rgb[2] = 3;
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok);
    EXPECT_FALSE(o.doc.LasInfo()->colorHighBytes);
    EXPECT_EQ(o.doc.m_pPoints->ColorBytes(0)[0], 200);
    EXPECT_EQ(o.doc.m_pPoints->ColorBytes(1)[1], 17);
}

TEST(LasColor, SixteenBitValuesFirstSeenLateStillScaleTheEarlierPoints)
{
    LasRecipe recipe = ThreePoints(2, 2);
    recipe.points[0].rgb[0] = 200;  // below 256: its high byte is 0
    recipe.points[0].rgb[1] = recipe.points[0].rgb[2] = 10;
    recipe.points[1].rgb[0] = 0x8000;
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok);
    EXPECT_TRUE(o.doc.LasInfo()->colorHighBytes);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(o.doc.m_pPoints->ColorBytes(0)[k], 0);
    EXPECT_EQ(o.doc.m_pPoints->ColorBytes(1)[0], 0x80);
}

TEST(LasCount, LegacyCountAloneInA14FileIsRead)
{
    LasRecipe recipe = ThreePoints(4, 1);
    recipe.legacyCountOnly = true;
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok);
    EXPECT_EQ(o.doc.m_pPoints->Records(), 3);
}

TEST(LasCount, AnEmptySurveyOpens)
{
    LasRecipe recipe = ThreePoints(4, 6);
    recipe.points.clear();
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok) << o.doc.LoadProblem();
    EXPECT_EQ(o.doc.m_pPoints->Records(), 0);
}

// ---- coordinate systems ----

LasRecipe UtmSurvey(int minor, int format)
{
    LasRecipe recipe;
    recipe.minor = minor;
    recipe.format = format;
    recipe.scale[0] = recipe.scale[1] = recipe.scale[2] = 0.001;
    recipe.offset[0] = 500000;
    recipe.offset[1] = 5400000;
    recipe.offset[2] = 0;
    // A 2 km by 1 km strip 300 to 500 m up, corners and a point inside.
    recipe.points = {{0, 0, 300000, 10, {}, 1.0},          {2000000, 0, 310000, 10, {}, 2.0},
                   {0, 1000000, 320000, 10, {}, 3.0},    {2000000, 1000000, 500000, 10, {}, 4.0},
                   {1234567, 456789, 401234, 10, {}, 5.0}};
    return recipe;
}

void ExpectPlacedThroughProj(const SurveyDocument& doc, const LasRecipe& recipe)
{
    const PointImage& image = *doc.m_pPoints;
    ASSERT_TRUE(HasGeodeticOrigin(image.Header().origin));
    std::string why;
    const auto system = CoordinateSystem::Create("EPSG:32632", why);
    ASSERT_TRUE(system) << why;
    // The origin is the data's centre in WGS-84.
    double x = 501000, y = 5400500, z = 400;
    ASSERT_TRUE(system->ToGeodetic(&x, &y, &z, 1));
    EXPECT_NEAR(image.Header().origin.latitude, y * 0.017453292519943278, 1e-12);
    EXPECT_NEAR(image.Header().origin.longitude, x * 0.017453292519943278, 1e-12);
    EXPECT_NEAR(image.Header().origin.height, 400.0, 1e-6);
    // Every point within a millimetre of PROJ's own answer, point by point.
    const LocalFrame frame(image.Header().origin);
    const CrsToLocal exact(*system, frame);
    for (size_t i = 0; i < recipe.points.size(); ++i) {
        double px = recipe.points[i].x * 0.001 + 500000, py = recipe.points[i].y * 0.001 + 5400000,
               pz = recipe.points[i].z * 0.001;
        ASSERT_TRUE(exact.MapExactly(&px, &py, &pz, 1));
        EXPECT_NEAR(image.Xyz(i)[0], px * 1000, 1.0) << i;
        EXPECT_NEAR(image.Xyz(i)[1], py * 1000, 1.0) << i;
        EXPECT_NEAR(image.Xyz(i)[2], pz * 1000, 1.0) << i;
    }
    EXPECT_EQ(doc.LasInfo()->crsName, "WGS 84 / UTM zone 32N");
    EXPECT_GT(doc.LasInfo()->latticeColumns, 0);
    EXPECT_LE(doc.LasInfo()->latticeError, CrsToLocal::kLatticeTolerance);
}

TEST(LasCoordinateSystem, GeoTiffKeysOfA12File)
{
    LasRecipe recipe = UtmSurvey(2, 1);
    recipe.vlrs.push_back({las::kProjectionUserId, las::kGeoKeyDirectoryId, GeoKeysForProjected(32632), false});
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok) << o.doc.LoadProblem();
    EXPECT_EQ(o.doc.LasInfo()->crsSource, "GeoTIFF keys");
    ExpectPlacedThroughProj(o.doc, recipe);
}

TEST(LasCoordinateSystem, WktInAnExtendedVlrOfA14File)
{
    std::string why;
    const auto system = CoordinateSystem::Create("EPSG:32632", why);
    ASSERT_TRUE(system);
    LasRecipe recipe = UtmSurvey(4, 6);
    recipe.globalEncoding = las::kWktCrs;
    recipe.vlrs.push_back({"somebody else", 7, {1, 2, 3}, false});
    recipe.vlrs.push_back({las::kProjectionUserId, las::kOgcWktId, TextPayload(system->Wkt()), true});
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok) << o.doc.LoadProblem();
    EXPECT_EQ(o.doc.LasInfo()->crsSource, "OGC WKT");
    EXPECT_EQ(o.doc.LasInfo()->vlrs, 2u);
    ExpectPlacedThroughProj(o.doc, recipe);
}

TEST(LasCoordinateSystem, AnUnknownSystemOpensWithoutAPlaceAndSaysSoToTheCameraPath)
{
    LasRecipe recipe = ThreePoints(4, 6);
    recipe.vlrs.push_back({las::kProjectionUserId, las::kOgcWktId, TextPayload("PROJCS[\"nothing at all\""), false});
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok);
    EXPECT_FALSE(HasGeodeticOrigin(o.doc.m_pPoints->Header().origin));
    EXPECT_FALSE(o.doc.LasInfo()->crsProblem.empty());
    ScratchDir nav;
    EXPECT_EQ(o.doc.ImportCameraPath(nav.Path().string()), CameraPathSource::None);
    EXPECT_NE(o.doc.CameraPathProblem().find("no geodetic origin"), std::string::npos);
}

TEST(LasCoordinateSystem, OurOwnOriginRecordKeepsTheFileCoordinatesAsTheFrame)
{
    LasRecipe recipe = ThreePoints(4, 6);
    std::vector<uint8_t> origin(24);
    const double values[3] = {0.8, 0.15, 420.5};
    std::memcpy(origin.data(), values, 24);
    recipe.vlrs.push_back({las::kOriginUserId, las::kOriginRecordId, origin, false});
    Opened o;
    Open(MakeLas(recipe), o);
    ASSERT_EQ(o.status, LoadStatus::Ok);
    EXPECT_EQ(o.doc.m_pPoints->Header().origin.latitude, 0.8);
    EXPECT_EQ(o.doc.m_pPoints->Header().origin.height, 420.5);
    EXPECT_EQ(o.doc.m_pPoints->Xyz(0)[0], 2000000);
    EXPECT_EQ(o.doc.m_pPoints->Xyz(2)[1], 1499000);
}

// ---- damaged files ----

struct BadCase {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* reason;
    const char* fileName = "survey.las";
};

template <typename T>
void Poke(std::vector<uint8_t>& b, size_t offset, T v)
{
    std::memcpy(b.data() + offset, &v, sizeof v);
}

TEST(LasBadInput, EachIsRefusedLikeABadPointFileWithItsReason)
{
    const std::vector<BadCase> cases = {
        {"header cut short", [](auto& b) { b.resize(100); }, "truncated: 100 bytes, less than the 227 bytes"},
        {"points cut short", [](auto& b) { b.resize(b.size() - 5); }, "a point count of 3 that the file cannot hold"},
        {"version 1.5", [](auto& b) { b[25] = 5; }, "LAS 1.5 is not supported (1.0 to 1.4 are)"},
        {"version 2.0", [](auto& b) { b[24] = 2, b[25] = 0; }, "LAS 2.0 is not supported"},
        {"point format 11", [](auto& b) { b[104] = 11; }, "point data format 11 is not supported (0 to 10 are)"},
        {"compression bit", [](auto& b) { b[104] |= 0x80; }, "compressed LAS is not supported; decompress it first"},
        {"named .laz", [](auto&) {}, "compressed LAS is not supported; decompress it first", "survey.laz"},
        {"64-bit count beyond the file", [](auto& b) { Poke<uint64_t>(b, 247, uint64_t{1} << 40); },
         "a point count of 1,099,511,627,776 that the file cannot hold"},
        {"VLR length past the points", [](auto& b) { Poke<uint16_t>(b, 375 + 20, 5000); },
         "VLR 1 of 1 (somebody 7) runs past the start of the point data"},
        {"more VLRs than there are", [](auto& b) { Poke<uint32_t>(b, 100, 5); }, "VLR 2 of 5 runs past the start"},
        {"extended VLR past the end", [](auto& b) { Poke<uint32_t>(b, 243, 1); Poke<uint64_t>(b, 235, b.size() - 10); },
         "extended VLR 1 of 1 runs past the end of the file"},
        {"scale factor 0", [](auto& b) { Poke<double>(b, 139, 0.0); }, "a scale factor of 0 in y"},
        {"NaN scale factor", [](auto& b) { Poke<double>(b, 131, std::nan("")); }, "a scale factor of nan in x"},
        {"NaN bounds", [](auto& b) { Poke<double>(b, 219, std::nan("")); }, "NaN bounds in z"},
        {"record shorter than its format", [](auto& b) { Poke<uint16_t>(b, 105, 29); },
         "records of 29 bytes, less than point data format 6's 30 bytes"},
        {"points inside the header", [](auto& b) { Poke<uint32_t>(b, 96, 300); }, "inside the 375 bytes header"},
        {"header smaller than its version's", [](auto& b) { Poke<uint16_t>(b, 94, 227); },
         "a header size of 227 bytes, less than LAS 1.4's 375 bytes"},
    };
    LasRecipe recipe = ThreePoints(4, 6);
    recipe.vlrs.push_back({"somebody", 7, {1, 2, 3, 4}, false});
    const std::vector<uint8_t> good = MakeLas(recipe);
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        Opened o;
        Open(bytes, o, c.fileName);
        EXPECT_EQ(o.status, LoadStatus::FormatError);
        EXPECT_EQ(LoadMessage(o.status), "File format error");
        EXPECT_NE(o.doc.LoadProblem().find(c.reason), std::string::npos) << o.doc.LoadProblem();
        EXPECT_FALSE(o.doc.IsLoaded());
        EXPECT_EQ(o.doc.LasInfo(), nullptr);
    }
}

TEST(LasBadInput, ACountA12FileCannotHold)
{
    LasRecipe recipe = ThreePoints(2, 0);
    std::vector<uint8_t> bytes = MakeLas(recipe);
    Poke<uint32_t>(bytes, 107, 0xFFFFFFFFu);
    Opened o;
    Open(bytes, o);
    EXPECT_EQ(o.status, LoadStatus::FormatError);
    EXPECT_NE(o.doc.LoadProblem().find("4,294,967,295 that the file cannot hold"), std::string::npos);
}

TEST(LasBadInput, AFailedLasOpenEmptiesTheDocumentThatWasOpen)
{
    Opened o;
    Open(MakeLas(ThreePoints(4, 7)), o);
    ASSERT_TRUE(o.doc.IsLoaded());
    std::vector<uint8_t> bytes = MakeLas(ThreePoints(4, 7));
    bytes[25] = 9;
    ScratchDir dir;
    WriteBytes(dir.File("bad.las"), bytes);
    MemoryProfile profile;
    LoadObserver quiet;
    EXPECT_EQ(o.doc.LoadPointFile(dir.File("bad.las"), profile, quiet), LoadStatus::FormatError);
    EXPECT_FALSE(o.doc.IsLoaded());
    EXPECT_EQ(LoadFailureText(LoadStatus::FormatError, "bad.las", o.doc.LoadProblem()),
              "File format error\nbad.las: LAS 1.9 is not supported (1.0 to 1.4 are)");
}

}  // namespace
}  // namespace oxv::test
