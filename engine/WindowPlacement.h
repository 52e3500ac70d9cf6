#pragma once
// Where a restored window goes so that the user can reach all of it: a frame saved on a larger or another
// screen is moved and, if need be, shrunk onto an available screen area.

#include <optional>
#include <vector>

// A rectangle in desktop pixels: left, top, width, height.
struct TFrame {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const TFrame&) const = default;
};

// Frame placed whole on one of Areas (the screens' available areas, the primary first): the area it overlaps
// most, or, overlapping none, the one nearest to its top-left corner. Width and height are cut to the area's
// (and are at least 1); the frame is then moved the least distance that puts it inside. Without areas Frame
// comes back unchanged. Never throws; any int input is safe.
TFrame PlaceFrameOnScreens(const TFrame& Frame, const std::vector<TFrame>& Areas);

// A restored frame that had to be moved or shrunk onto the screen: as stored, and as placed.
struct TFramePlaced {
    TFrame Stored;
    TFrame Placed;
};

// The frame to store when the window closes: Now, unless the window still stands exactly as it was placed
// to fit this run's screen; then the frame as it was stored, so that one run on a smaller screen (or at a
// larger scale) does not cost the size and place kept for the usual one. Never throws.
TFrame FrameToStore(const TFrame& Now, const std::optional<TFramePlaced>& Placed);

// A width and a height in desktop pixels.
struct TExtent {
    int Width = 0;
    int Height = 0;

    bool operator==(const TExtent&) const = default;
};

// The least outer size the window may be dragged or restored to, each way: the larger of its design minimum
// grown by Scale (engine/DesignScale.h) and what its layout needs to show its contents (Needed, frame
// included); then cut to Area, the available area of its screen, so that the window can still be seen whole,
// though never below the design minimum itself. An Area of 0 (not known) cuts nothing.
TExtent MinimumOuterSize(TExtent DesignMinimum, double Scale, TExtent Needed, TExtent Area);

// Where the window goes once its contents need more room (a part was opened): Now grown each way to Least
// (MinimumOuterSize's answer), then moved the least distance that keeps it on Area, the available area of its
// screen (an Area of width or height 0 is not known and moves nothing). A window large enough already comes
// back as it is: it is never shrunk, nor moved, for a part that fits or is closed. Never throws.
TFrame GrownToFit(const TFrame& Now, TExtent Least, const TFrame& Area);
