#include "settings/ViewSettings.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "base/Profile.h"
#include "base/TextScan.h"

namespace oxv {

namespace {

constexpr const char* kView = "View";
constexpr const char* kWindow = "Window";
// Window sizes and positions beyond these are not a screen's.
constexpr int32_t kMinWindowSide = 100;
constexpr int32_t kMaxWindowCoordinate = 100000;

std::optional<int32_t> ReadInt(Profile& profile, const char* section, const char* key, int32_t low, int32_t high)
{
    const std::optional<std::string> text = profile.ReadString(section, key);
    if (!text) return std::nullopt;
    scan::Cursor cursor(*text);
    int32_t value = 0;
    if (!cursor.Int(value)) return std::nullopt;
    cursor.SkipSpace();
    if (!cursor.AtEnd() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<double> ReadLevel(Profile& profile, const char* key)
{
    const std::optional<std::string> text = profile.ReadString(kView, key);
    if (!text) return std::nullopt;
    scan::Cursor cursor(*text);
    double value = 0;
    if (!cursor.Number(value)) return std::nullopt;
    cursor.SkipSpace();
    if (!cursor.AtEnd() || !std::isfinite(value) || value < 0.0 || value > 1.0) return std::nullopt;
    return value;
}

void ReadFlag(Profile& profile, const char* key, bool& flag)
{
    if (const auto value = ReadInt(profile, kView, key, 0, 1)) flag = *value == 1;
}

std::string LevelText(double level)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", level);
    return text;
}

}  // namespace

ViewSettings LoadViewSettings(Profile& profile)
{
    ViewSettings s;
    ReadFlag(profile, "Grid", s.grid);
    ReadFlag(profile, "ScannerPath", s.scannerPath);
    ReadFlag(profile, "Smoothing", s.smoothing);
    ReadFlag(profile, "StatusBar", s.statusBar);
    ReadFlag(profile, "Toolbar", s.toolbar);
    if (const auto size = ReadInt(profile, kView, "PointSize", 1, 5)) s.pointSize = *size;
    if (const auto mode = profile.ReadString(kView, "ColorMode"); mode && !mode->empty()) s.colorMode = *mode;
    const auto black = ReadLevel(profile, "BlackLevel");
    const auto white = ReadLevel(profile, "WhiteLevel");
    const double blackLevel = black.value_or(s.blackLevel), whiteLevel = white.value_or(s.whiteLevel);
    if (blackLevel < whiteLevel) {
        s.blackLevel = blackLevel;
        s.whiteLevel = whiteLevel;
    }
    const auto left = ReadInt(profile, kWindow, "Left", -kMaxWindowCoordinate, kMaxWindowCoordinate);
    const auto top = ReadInt(profile, kWindow, "Top", -kMaxWindowCoordinate, kMaxWindowCoordinate);
    const auto width = ReadInt(profile, kWindow, "Width", kMinWindowSide, kMaxWindowCoordinate);
    const auto height = ReadInt(profile, kWindow, "Height", kMinWindowSide, kMaxWindowCoordinate);
    if (left && top && width && height) s.window = WindowPlace{*left, *top, *width, *height};
    if (const auto folder = profile.ReadString(kWindow, "OpenFolder")) s.openFolder = *folder;
    return s;
}

bool SaveViewSettings(Profile& profile, const ViewSettings& loaded, const ViewSettings& now)
{
    bool ok = true;
    const auto put = [&](bool changed, const char* section, const char* key, const std::string& value) {
        if (changed) ok = profile.WriteString(section, key, value) && ok;
    };
    const auto flag = [&](bool was, bool is, const char* key) { put(was != is, kView, key, is ? "1" : "0"); };
    flag(loaded.grid, now.grid, "Grid");
    flag(loaded.scannerPath, now.scannerPath, "ScannerPath");
    flag(loaded.smoothing, now.smoothing, "Smoothing");
    flag(loaded.statusBar, now.statusBar, "StatusBar");
    flag(loaded.toolbar, now.toolbar, "Toolbar");
    put(loaded.pointSize != now.pointSize, kView, "PointSize", std::to_string(now.pointSize));
    put(loaded.colorMode != now.colorMode, kView, "ColorMode", now.colorMode);
    // Levels move in steps of 0.05: two decimals keep them exactly enough.
    put(LevelText(loaded.blackLevel) != LevelText(now.blackLevel), kView, "BlackLevel", LevelText(now.blackLevel));
    put(LevelText(loaded.whiteLevel) != LevelText(now.whiteLevel), kView, "WhiteLevel", LevelText(now.whiteLevel));
    if (now.window && loaded.window != now.window) {
        put(true, kWindow, "Left", std::to_string(now.window->left));
        put(true, kWindow, "Top", std::to_string(now.window->top));
        put(true, kWindow, "Width", std::to_string(now.window->width));
        put(true, kWindow, "Height", std::to_string(now.window->height));
    }
    put(loaded.openFolder != now.openFolder, kWindow, "OpenFolder", now.openFolder);
    return ok;
}

}  // namespace oxv
