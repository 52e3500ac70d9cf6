#include "engine/WindowPlacement.h"

#include "engine/DesignScale.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

using TWide = std::int64_t;

// Stored values may be anything an int holds; edges are summed in 64 bits.
TWide Overlap(TWide StartA, TWide LengthA, TWide StartB, TWide LengthB) {
    return std::max<TWide>(0, std::min(StartA + LengthA, StartB + LengthB) - std::max(StartA, StartB));
}

TWide DistanceToSpan(TWide Point, TWide Start, TWide Length) {
    if (Point < Start) {
        return Start - Point;
    }
    return Point >= Start + Length ? Point - (Start + Length - 1) : 0;
}

const TFrame& ChooseArea(const TFrame& Frame, const std::vector<TFrame>& Areas) {
    const TWide width = std::max(Frame.Width, 1);
    const TWide height = std::max(Frame.Height, 1);
    const TFrame* best = &Areas.front();
    TWide bestOverlap = 0;
    for (const TFrame& area : Areas) {
        const TWide overlap =
            Overlap(Frame.X, width, area.X, area.Width) * Overlap(Frame.Y, height, area.Y, area.Height);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &area;
        }
    }
    if (bestOverlap > 0) {
        return *best;
    }
    TWide nearest = std::numeric_limits<TWide>::max();
    for (const TFrame& area : Areas) {
        const TWide dx = DistanceToSpan(Frame.X, area.X, area.Width);
        const TWide dy = DistanceToSpan(Frame.Y, area.Y, area.Height);
        const TWide distance = dx * dx + dy * dy; // each below 2^33, so the sum fits
        if (distance < nearest) {
            nearest = distance;
            best = &area;
        }
    }
    return *best;
}

} // namespace

TFrame PlaceFrameOnScreens(const TFrame& Frame, const std::vector<TFrame>& Areas) {
    if (Areas.empty()) {
        return Frame;
    }
    const TFrame& area = ChooseArea(Frame, Areas);
    TFrame placed;
    placed.Width = std::clamp(Frame.Width, 1, std::max(area.Width, 1));
    placed.Height = std::clamp(Frame.Height, 1, std::max(area.Height, 1));
    placed.X =
        static_cast<int>(std::clamp<TWide>(Frame.X, area.X, TWide{area.X} + area.Width - placed.Width));
    placed.Y =
        static_cast<int>(std::clamp<TWide>(Frame.Y, area.Y, TWide{area.Y} + area.Height - placed.Height));
    return placed;
}

TFrame FrameToStore(const TFrame& Now, const std::optional<TFramePlaced>& Placed) {
    return Placed && Now == Placed->Placed ? Placed->Stored : Now;
}

TExtent MinimumOuterSize(TExtent DesignMinimum, double Scale, TExtent Needed, TExtent Area) {
    const auto side = [Scale](int Design, int Needs, int Room) {
        int least = std::max(ScaledPixels(Design, Scale), Needs);
        if (Room > 0) {
            least = std::min(least, Room);
        }
        return std::max(least, Design);
    };
    return {side(DesignMinimum.Width, Needed.Width, Area.Width),
            side(DesignMinimum.Height, Needed.Height, Area.Height)};
}

TFrame GrownToFit(const TFrame& Now, TExtent Least, const TFrame& Area) {
    if (Now.Width >= Least.Width && Now.Height >= Least.Height) {
        return Now;
    }
    TFrame grown = Now;
    grown.Width = std::max(Now.Width, Least.Width);
    grown.Height = std::max(Now.Height, Least.Height);
    if (Area.Width <= 0 || Area.Height <= 0) {
        return grown;
    }
    // Moved in, never cut: Least is already within the screen where the screen allows.
    const auto into = [](int Start, int Length, int AreaStart, int AreaLength) {
        const TWide last = TWide{AreaStart} + AreaLength - Length;
        return static_cast<int>(std::max<TWide>(std::min<TWide>(Start, last), AreaStart));
    };
    grown.X = into(grown.X, grown.Width, Area.X, Area.Width);
    grown.Y = into(grown.Y, grown.Height, Area.Y, Area.Height);
    return grown;
}
