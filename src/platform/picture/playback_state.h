#pragma once
// The state both metafile players share while they play into a DC: the mapping from the
// metafile's logical coordinates to the destination's pixels, the drawing attributes and
// their saved copies, the object table, the path being built, and the drawing calls that
// turn logical shapes into the gdi layer's device figures.
//
// Every pixel playback draws gets its colour and alpha 0 (the gdi layer's alpha-byte
// rule for playback); pixels it does not draw keep their bytes.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/clip.h"
#include "platform/gdi/device_drawing.h"
#include "platform/gdi/gdi.h"
#include "platform/picture/playback_budget.h"

namespace picture::detail {

// A record that fails its checks ends playback; what was drawn stays.
struct StopPlayback {
    std::string reason;
};
[[noreturn]] inline void stopPlayback(std::string reason) { throw StopPlayback{std::move(reason)}; }

// Mapping modes
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
              MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;

// x' = a x + c y + e, y' = b x + d y + f
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    gdi::PointD map(gdi::PointD p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // This transform followed by `next`.
    Affine then(const Affine& next) const;
    bool finite() const;
    // The transform that undoes this one; none when it is singular.
    std::optional<Affine> inverse() const;
};

struct Mapping {
    int mode = MM_TEXT;
    double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
    Affine world;  // logical to page (EMF)
    // The reference device (EMF): its size in pixels and millimetres, for the metric modes.
    double devicePixelsX = 96, devicePixelsY = 96, deviceMillimetresX = 25.4, deviceMillimetresY = 25.4;

    // The fixed modes (text and the metric ones) set both extents from the reference device
    // and keep the origins; the two scalable modes keep the extents they find.
    void setMode(int newMode);
    // Extents change only in the scalable modes, as the platform's calls do.
    void setExtent(bool window, double x, double y);
    void scaleExtent(bool window, double xNum, double xDenom, double yNum, double yDenom);
    Affine pageToDevice() const;
};

// A logical object of the table: what its creation record said, in logical units.
struct LogicalObject {
    enum class Kind { Empty, Pen, Brush, Font, Other } kind = Kind::Empty;
    gdi::LOGPEN pen{};      // width in logical units; 0 draws one pixel
    bool cosmeticPen = false;
    gdi::LOGBRUSH brush{};
    gdi::LOGFONTW font{};   // height in logical units
};

struct DcState {
    Mapping mapping;
    LogicalObject pen, brush, font;
    gdi::COLORREF textColor = 0, bkColor = 0xFFFFFF;
    int bkMode = gdi::OPAQUE, rop2 = gdi::R2_COPYPEN, polyFillMode = gdi::ALTERNATE;
    int stretchMode = gdi::BLACKONWHITE;
    gdi::UINT textAlign = 0;
    gdi::PointD position{0, 0};  // logical
    gdi::detail::Clip clip;  // destination pixels, always active; shared with saved states
};

class Playback {
public:
    // `outer` maps the metafile's device space to the destination's pixels; `bounds`
    // (destination pixels) is the base clip.
    Playback(gdi::HDC dc, const Affine& outer, const gdi::RECT& bounds, size_t objectSlots);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    DcState& state() { return state_; }
    // Each record played adds to what playback may spend (playback_budget.h).
    void recordPlayed() { budget_.recordPlayed(); }
    Mapping& mapping() { return state_.mapping; }
    gdi::HDC dc() const { return dc_; }

    // Logical to device.
    const Affine& transform();
    gdi::PointD toDevice(double x, double y) { return transform().map({x, y}); }
    void mappingChanged() { transformValid_ = false; }

    // ---- objects ---------------------------------------------------------------
    size_t slots() const { return objects_.size(); }
    // WMF: the lowest free slot; false when the table is full.
    bool addToFreeSlot(const LogicalObject& object);
    void put(size_t index, const LogicalObject& object);  // stops for an index out of range
    void select(size_t index);
    void selectStock(uint32_t which);
    void erase(size_t index);

    // ---- state -------------------------------------------------------------------------
    // Saves the state, unless that would make more than kMaxSavedStates saved states or
    // more than kMaxSavedBytes held by them: hostile files may save without end. Saved
    // states share their clip with the current state until it changes.
    static constexpr size_t kMaxSavedStates = 4096, kMaxSavedBytes = size_t{64} << 20;
    void save();
    size_t savedStates() const { return saved_.size(); }
    size_t savedBytes() const { return savedBytes_; }
    // Relative (negative: that many levels back) or absolute (positive) as the formats
    // define it; a level that does not exist is ignored.
    void restore(int32_t level);
    void intersectClip(double l, double t, double r, double b);
    void excludeClip(double l, double t, double r, double b);
    // The region of these device rectangles (in the metafile's device space, in any order)
    // combined with the clip by the mode, RGN_AND to RGN_COPY; no rectangles with
    // RGN_COPY resets the clip to the destination.
    void selectClip(const std::vector<gdi::RECT>* rects, int mode);

    // ---- drawing (logical coordinates) ------------------------------------------------
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void polyline(const gdi::Figure& points, bool continueFromPosition);
    void polygons(const std::vector<gdi::Figure>& figures);
    void polylines(const std::vector<gdi::Figure>& figures);
    void polyBezier(const gdi::Figure& points, bool continueFromPosition);
    void rectangle(double l, double t, double r, double b);
    void roundRect(double l, double t, double r, double b, double w, double h);
    void ellipse(double l, double t, double r, double b);
    void arc(double l, double t, double r, double b, gdi::PointD start, gdi::PointD end, gdi::ArcKind kind);
    // A line from the current position to the arc's start, then the arc; the current
    // position moves to the arc's end.
    void arcTo(double l, double t, double r, double b, gdi::PointD start, gdi::PointD end);
    void setPixel(double x, double y, gdi::COLORREF color);
    // Text at a logical point; dx in logical units (pairs with ETO_PDY).
    void text(double x, double y, gdi::UINT options, const std::optional<std::array<double, 4>>& rect,
              const std::u16string& s, const std::vector<double>& dx);
    // A DIB from the record drawn into the logical destination rectangle; `info` and
    // `bits` are the record's bytes, checked here before anything is allocated.
    void stretchDib(double x, double y, double cx, double cy, int32_t xSrc, int32_t ySrc,
                    int32_t cxSrc, int32_t cySrc, std::span<const uint8_t> info,
                    std::span<const uint8_t> bits, gdi::UINT usage, gdi::DWORD rop);
    // A band of scan lines from the record at 1:1.
    void setDibToDevice(double x, double y, int32_t cx, int32_t cy, int32_t xSrc, int32_t ySrc,
                        uint32_t startScan, uint32_t scans, std::span<const uint8_t> info,
                        std::span<const uint8_t> bits, gdi::UINT usage);
    void patBlt(double x, double y, double cx, double cy, gdi::DWORD rop);

    // ---- paths (EMF) --------------------------------------------------------------------
    void beginPath();
    void endPath() { inPath_ = false; }
    void closeFigure();
    void abortPath();
    void fillPath(bool fill, bool stroke);

private:
    struct PathFigure {
        gdi::Figure points;  // device
        bool closed = false;
    };
    void draw(std::vector<gdi::Figure> deviceFigures, bool closed, bool filled);
    // Takes the units from the budget, or ends playback.
    void spend(double units);
    void combineClip(const gdi::detail::Bands& operand, gdi::detail::Bands::Op op);
    void spendOnFigures(const std::vector<gdi::Figure>& figures, bool closed, bool filled, bool stroked);
    // Draws an open device figure that begins at the current position, or in a path
    // continues the open figure there.
    void drawFromPosition(gdi::Figure device);
    // Charges `count` more device points of the path and ends playback when the path
    // grows past its limit.
    void addPathPoints(size_t count);
    void clearPath();
    gdi::Figure arcFigure(double l, double t, double r, double b, gdi::PointD start, gdi::PointD end,
                          gdi::ArcKind kind);
    void apply();
    void applyClip();
    void release();
    double lengthScale();
    // The selected pen's width in device pixels, as drawn.
    int penWidth();
    std::optional<std::array<double, 4>> axisAlignedBox(double l, double t, double r, double b);
    void blit(const gdi::RECT& bounds, const std::function<void()>& draw, bool clearAlpha);

    gdi::HDC dc_;
    Affine outer_;
    gdi::RECT bounds_;
    gdi::RECT visible_;  // the pixels playback can change: bounds_ within the surface
    PlaybackBudget budget_;
    DcState state_;
    struct Saved {
        DcState state;
        size_t bytes;  // what saving it added
    };
    std::vector<Saved> saved_;
    size_t savedBytes_ = 0;
    std::vector<LogicalObject> objects_;
    Affine transform_;
    bool transformValid_ = false;
    bool clipApplied_ = false;
    // The device objects made for the current drawing call and what they replaced.
    gdi::HGDIOBJ pen_ = 0, brush_ = 0, font_ = 0, oldPen_ = 0, oldBrush_ = 0, oldFont_ = 0;
    bool inPath_ = false;
    std::vector<PathFigure> path_;
    size_t pathPoints_ = 0;
    bool strokesClearedAlpha_ = false;
};

}  // namespace picture::detail
