// The graphics engine's side of a print job, for the host and the tests:
// takes a graphics driver's DrvEnableDriver table, creates its device
// (DrvEnablePDEV, DrvCompletePDEV, DrvEnableSurface), and plays documents,
// pages and drawing operations into the driver's functions, building the
// engine objects each call needs (clip objects, brushes, paths, transforms,
// colour translations, glyph strings and fonts). When the driver has not
// hooked a call or answers FALSE, the engine renders the operation itself
// (into the band bitmap, or into a bitmap it hands to DrvBitBlt through a
// mask of the pixels it touched, else to DrvCopyBits). Banding
// devices get the band loop (DrvStartBanding, the page replayed per band,
// DrvNextBand until it answers (-1, -1)).
//
// Coordinates are device pixels of the page; path points are 28.4 fixed
// point. Colours are 0x00RRGGBB; the engine converts them into the device's
// palette form.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../win/gdi.h"

#define WINSIM_API __attribute__((visibility("default")))

namespace winsim::engine {

using Color = uint32_t;

// ---------------------------------------------------------------------------
// Geometry.
struct Segment {
    bool bezier = false;
    POINTFIX p[3]{};  // a line uses p[0]; a Bézier: control, control, end
};
struct Figure {
    POINTFIX start{};
    std::vector<Segment> segs;
    bool closed = false;
};
struct WINSIM_API Path {
    std::vector<Figure> figures;
    // Builders in whole pixels.
    Path& moveTo(LONG x, LONG y);
    Path& lineTo(LONG x, LONG y);
    Path& bezierTo(LONG x1, LONG y1, LONG x2, LONG y2, LONG x3, LONG y3);
    Path& close();
    static Path rect(LONG left, LONG top, LONG right, LONG bottom);
};

// An image in memory as a device-independent bitmap holds it: rows padded
// to 4 bytes, the first row in memory the top row when topDown, else the
// bottom row; palette entries (<= 8 bits) as 0x00RRGGBB; 16 and 32 bits
// per pixel use the masks (all 0: 5-5-5 and 8-8-8).
struct WINSIM_API Image {
    uint32_t bitsPerPixel = 24;
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    std::vector<uint8_t> bits;
    std::vector<Color> palette;
    uint32_t masks[3] = {0, 0, 0};
    size_t stride() const { return ((static_cast<size_t>(width) * bitsPerPixel + 31) / 32) * 4; }
    // Checks the sizes agree (bits large enough, palette for <= 8 bits).
    bool valid() const;
};

struct BrushSpec {
    enum Kind { None, Solid, Hatch, Pattern } kind = Solid;
    Color color = 0;          // solid colour, or the hatch's foreground
    Color background = 0xFFFFFF;  // hatch background
    uint32_t hatch = HS_HORIZONTAL;
    std::shared_ptr<const Image> pattern;
    FLONG colorType = 0;      // BRUSHOBJ.flColorType bits (BR_HOST_ICM ...)
};

struct PenSpec {
    bool geometric = false;
    float width = 1;          // world units (geometric)
    ULONG cap = ENDCAP_ROUND, join = JOIN_ROUND;
    float miterLimit = 10;
    std::vector<float> style; // dash, gap, ... (world units, or style units when cosmetic)
    bool startGap = false;
    bool alternate = false;
    Color color = 0;
    FLONG colorType = 0;
};

struct ClipSpec {
    enum Kind { None, Rects, PathClip } kind = None;
    std::vector<RECTL> rects;  // union of rectangles
    Path path;
    bool winding = false;
};

// World transform (row vectors): used for geometric line widths and dashes.
struct Transform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

// An engine font face: outlines in font units (y up from the baseline).
struct GlyphOutline {
    int32_t advance = 0;
    std::vector<Figure> contours;  // points in font units (not 28.4)
};
struct FontFace {
    std::u16string family;
    std::u16string face;
    std::u16string style = u"Regular";
    int32_t unitsPerEm = 1000;
    int32_t ascender = 800;   // above the baseline
    int32_t descender = 200;  // below the baseline (positive)
    int32_t avgWidth = 500;
    int32_t maxWidth = 1000;
    bool fixedPitch = false;
    uint16_t fsType = 0;
    uint8_t charSet = ANSI_CHARSET;
    uint8_t pitchAndFamily = 0x22;
    uint16_t weight = 400;
    std::map<char16_t, GlyphOutline> glyphs;
    // Characters without an outline are drawn as a box of this advance.
    int32_t defaultAdvance = 500;
};

struct FontSpec {
    std::u16string face;
    int32_t height = 40;      // em height in pixels
    int32_t escapement = 0;   // tenths of a degree, counter-clockwise
    bool bold = false, italic = false, underline = false, strikeout = false;
};

struct TextSpec {
    FontSpec font;
    POINTL at{};                  // origin (baseline) of the first glyph
    std::u16string text;          // characters, or glyph indexes with glyphIndex
    std::vector<int32_t> dx;      // advances in pixels (empty: the font's)
    int32_t fixedAdvance = 0;     // one advance for every glyph (ulCharInc)
    bool glyphIndex = false;
    bool vertical = false;
    bool reversed = false;        // right to left: glyphs advance against the baseline
    std::optional<RECTL> opaque;  // background rectangle
    Color opaqueColor = 0xFFFFFF;
};

struct Operation {
    enum Kind { FillPath, StrokePath, StrokeAndFillPath, BitBlt, StretchBlt, CopyBits, TextOut } kind = FillPath;
    ClipSpec clip;
    // Paths.
    Path path;
    bool winding = false;
    PenSpec pen;
    Transform xform;
    // Fill brush (paths, pattern blits, text foreground).
    BrushSpec brush;
    POINTL brushOrigin{};
    MIX mix = R2_COPYPEN | (R2_COPYPEN << 8);
    // Blits.
    RECTL dst{};
    std::shared_ptr<const Image> source;
    POINTL srcPoint{};
    std::optional<RECTL> srcRect;  // stretch: the whole image when absent
    std::shared_ptr<const Image> mask;
    POINTL maskPoint{};
    ROP4 rop4 = 0xCCCC;
    ULONG stretchMode = COLORONCOLOR;
    bool withRop = false;          // a stretch with a brush and rop4 (DrvStretchBltROP)
    // Text.
    TextSpec text;
};

// ---------------------------------------------------------------------------
// The driver's function table, by index.
struct DriverTable {
    ULONG driverVersion = 0;
    std::array<PFN, INDEX_LAST + 1> fn{};
    bool has(ULONG i) const { return i <= INDEX_LAST && fn[i] != nullptr; }
    template <class F>
    F get(ULONG i) const {
        // Through a plain function type: the table holds every function as PFN.
        return has(i) ? reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(fn[i])) : nullptr;
    }
};
// Calls DrvEnableDriver and collects its table. Fails (with a reason) when
// the call answers FALSE, gives an empty table or lacks DrvEnablePDEV,
// DrvCompletePDEV, DrvDisablePDEV, DrvEnableSurface or DrvDisableSurface.
WINSIM_API bool loadDriver(PFN_DrvEnableDriver enable, DriverTable& out, std::string* error,
                           ULONG engineVersion = DDI_DRIVER_VERSION_NT5_01);

struct SessionOptions {
    std::vector<uint8_t> devmode;   // passed to DrvEnablePDEV (empty: none)
    std::u16string printerName;     // DrvEnablePDEV's device name
    HANDLE hPrinter = nullptr;      // DrvEnablePDEV's hDriver
    // In banding mode, leave out DrvStartPage (the page starts at the band loop).
    bool bandingSkipsStartPage = false;
    size_t pathRunLimit = 0;        // most points a PATHOBJ_bEnum run holds (0: no limit)
    ULONG glyphBatch = 0;           // glyphs a STROBJ_bEnum batch holds (0: all)
    // Receives one line for each driver call, fallback and error.
    std::function<void(const std::string&)> log;
};

class WINSIM_API Session {
public:
    // Creates the device and its surface; null with a reason when the driver
    // refuses (DrvEnablePDEV or DrvEnableSurface fail, or the surface is not
    // associated with the device).
    static std::unique_ptr<Session> create(const DriverTable& driver, SessionOptions options,
                                           std::string* error);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const GDIINFO& gdiInfo() const;
    const DEVINFO& devInfo() const;
    DHPDEV dhpdev() const;
    HDEV hdev() const;
    SURFOBJ* surface() const;       // the locked device surface
    bool banding() const;           // the surface is a banding bitmap
    FLONG hooks() const;

    // Engine fonts available by face name (the first added is the default).
    void addFont(std::shared_ptr<const FontFace> face);
    // Device fonts the driver reported (DrvQueryFont), by face name.
    std::vector<std::u16string> deviceFontNames();

    bool startDoc(const std::u16string& docName, DWORD jobId);
    bool startPage();
    // Vector devices: the operation goes to the driver now. Banding devices:
    // it is kept and replayed in every band at endPage.
    bool draw(const Operation& op);
    // Vector devices: DrvSendPage. Banding devices: the band loop (the driver
    // ends the page itself after the last band).
    bool endPage();
    bool endDoc(bool abort = false);
    // DrvEscape with the input bytes and an output buffer of outSize bytes.
    ULONG escape(ULONG iEsc, const std::vector<uint8_t>& in, ULONG outSize, std::vector<uint8_t>* out);
    // A new device for the new DEVMODE, DrvResetPDEV(old, new), then the old
    // device goes. On failure the old device stays.
    bool reset(const std::vector<uint8_t>& devmode, std::string* error);

    // Colour management of the device: the driver's colour transform for
    // the destination profile's bytes (DrvIcmCreateColorTransform, an sRGB
    // logical colour space), replacing the one held; while it is held the
    // brushes and colour translations of the operations carry the host-ICM
    // flags. icmStop deletes it (DrvIcmDeleteColorTransform). False when the
    // driver lacks the pair or refuses.
    bool icmStart(const std::vector<uint8_t>& profile);
    bool icmStop();
    bool icmActive() const;
    // Count of operations the engine rendered itself after the driver punted.
    size_t fallbackCount() const;
    // Bands of the last banded page.
    size_t bandCount() const;
    // Driver calls that answered -1 (an error: the engine does not render
    // them itself, the operation fails).
    size_t errorCount() const;
    // Operations of the last banded page left out of the bands they do not
    // touch.
    size_t bandSkipCount() const;

    struct Impl;

private:
    explicit Session(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Colour profiles and transforms open on the platform (OpenColorProfileW,
// CreateColorTransformW not yet closed or deleted).
WINSIM_API size_t colorHandleCount();

// A small built-in face ("Sample Sans") with outlines for printable ASCII
// made of simple strokes and boxes, so text can be drawn without font files.
WINSIM_API std::shared_ptr<const FontFace> builtinFace();

}  // namespace winsim::engine
