#include "geo/CoordinateSystem.h"

#include <proj.h>

#include <cmath>

namespace oxv {

namespace {

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using ContextPtr = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

// WGS-84 with its ellipsoidal height: what the local frame is tied to.
constexpr const char* kWgs84Geodetic = "EPSG:4979";

std::string ContextError(PJ_CONTEXT* context, const char* fallback)
{
    const int code = proj_context_errno(context);
    if (code == 0) return fallback;
    const char* text = proj_context_errno_string(context, code);
    return text ? std::string(text) : std::string(fallback);
}

bool AllFinite(const double* x, const double* y, const double* z, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i])) return false;
    return true;
}

}  // namespace

struct CoordinateSystem::Proj {
    ContextPtr context;
    PjPtr crs;
    PjPtr toGeodetic;  // normalised: east first, degrees
};

CoordinateSystem::CoordinateSystem(std::unique_ptr<Proj> proj) : m_proj(std::move(proj)) {}

CoordinateSystem::~CoordinateSystem() = default;

std::unique_ptr<CoordinateSystem> CoordinateSystem::Create(const std::string& definition, std::string& why)
{
    auto proj = std::make_unique<Proj>();
    proj->context.reset(proj_context_create());
    if (!proj->context) {
        why = "PROJ could not start";
        return nullptr;
    }
    PJ_CONTEXT* ctx = proj->context.get();
    // The reasons go to the user through our own messages, not PROJ's log.
    proj_log_level(ctx, PJ_LOG_NONE);
    proj_context_set_enable_network(ctx, 0);
    proj->crs.reset(proj_create(ctx, definition.c_str()));
    if (!proj->crs) {
        why = "PROJ does not know the coordinate system (" + ContextError(ctx, "not understood") + ")";
        return nullptr;
    }
    const PJ_TYPE type = proj_get_type(proj->crs.get());
    if (type == PJ_TYPE_GEOCENTRIC_CRS || type == PJ_TYPE_ENGINEERING_CRS || type == PJ_TYPE_VERTICAL_CRS ||
        !proj_is_crs(proj->crs.get())) {
        why = "not a geographic or projected coordinate system";
        return nullptr;
    }
    PjPtr raw(proj_create_crs_to_crs_from_pj(ctx, proj->crs.get(),
                                             PjPtr(proj_create(ctx, kWgs84Geodetic)).get(), nullptr, nullptr));
    if (!raw) {
        why = "PROJ knows no way from the coordinate system to WGS-84 (" + ContextError(ctx, "no operation") + ")";
        return nullptr;
    }
    proj->toGeodetic.reset(proj_normalize_for_visualization(ctx, raw.get()));
    if (!proj->toGeodetic) {
        why = "PROJ cannot order the coordinate system's axes east first";
        return nullptr;
    }
    std::unique_ptr<CoordinateSystem> system(new CoordinateSystem(std::move(proj)));
    const char* name = proj_get_name(system->m_proj->crs.get());
    system->m_name = name ? name : definition;
    system->m_geographic = type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
    if (type == PJ_TYPE_COMPOUND_CRS) {
        PjPtr horizontal(proj_crs_get_sub_crs(system->m_proj->context.get(), system->m_proj->crs.get(), 0));
        const PJ_TYPE sub = horizontal ? proj_get_type(horizontal.get()) : PJ_TYPE_UNKNOWN;
        system->m_geographic = sub == PJ_TYPE_GEOGRAPHIC_2D_CRS || sub == PJ_TYPE_GEOGRAPHIC_3D_CRS;
    }
    return system;
}

std::string CoordinateSystem::OperationName() const
{
    PjPtr used(proj_trans_get_last_used_operation(m_proj->toGeodetic.get()));
    const char* name = proj_get_name(used ? used.get() : m_proj->toGeodetic.get());
    return name ? name : std::string();
}

bool CoordinateSystem::ToGeodetic(double* x, double* y, double* z, size_t count) const
{
    if (count == 0) return true;
    proj_trans_generic(m_proj->toGeodetic.get(), PJ_FWD, x, sizeof *x, count, y, sizeof *y, count, z, sizeof *z, count,
                       nullptr, 0, 0);
    return AllFinite(x, y, z, count);
}

bool CoordinateSystem::FromGeodetic(double* x, double* y, double* z, size_t count) const
{
    if (count == 0) return true;
    proj_trans_generic(m_proj->toGeodetic.get(), PJ_INV, x, sizeof *x, count, y, sizeof *y, count, z, sizeof *z, count,
                       nullptr, 0, 0);
    return AllFinite(x, y, z, count);
}

std::string CoordinateSystem::Wkt() const
{
    PJ_CONTEXT* ctx = m_proj->context.get();
    const char* options[] = {"MULTILINE=NO", nullptr};
    const char* wkt = proj_as_wkt(ctx, m_proj->crs.get(), PJ_WKT1_GDAL, options);
    if (!wkt) wkt = proj_as_wkt(ctx, m_proj->crs.get(), PJ_WKT2_2019, options);
    return wkt ? std::string(wkt) : std::string();
}

}  // namespace oxv
