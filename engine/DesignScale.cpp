#include "engine/DesignScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kDesignDpi = 96.0;
// Beyond this the design would not fit any screen; such a DPI is a misreport, not a wish.
constexpr double kMaxScale = 4.0;

} // namespace

double DesignScaleForDpi(double LogicalDpi) {
    if (!std::isfinite(LogicalDpi)) {
        return 1.0;
    }
    return std::clamp(LogicalDpi / kDesignDpi, 1.0, kMaxScale);
}

int ScaledPixels(int DesignPixels, double Scale) {
    const double scaled = std::round(DesignPixels * std::clamp(Scale, 1.0, kMaxScale));
    return static_cast<int>(
        std::clamp<double>(scaled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
