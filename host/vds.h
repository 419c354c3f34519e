// Drawing scripts (".vds"): a small line-based description of a print job
// that the host plays through the graphics engine into a graphics driver.
//
// Lexical rules
//   - UTF-8 text. A statement is one line; a brace block "{ ... }" may span
//     lines and the statement ends at the line that closes it.
//   - "#" starts a comment to the end of the line, except inside a string or
//     when it begins a colour ("#RRGGBB").
//   - Words are separated by blanks. Strings are in double quotes with the
//     escapes \" \\ \n \t and \uXXXX.
//   - Integers are decimal (optionally signed), or hexadecimal with "0x".
//     Coordinates are device pixels; path coordinates may carry the suffix
//     "fx" for raw 28.4 fixed-point values ("1600fx" = 100 pixels).
//   - Options are KEY=VALUE words; lists are comma-separated ("dx=30,20").
//   - Colours are #RRGGBB.
//
// Job statements (outside pages)
//   machine PATH                 the emulated machine the host uses
//   printer "NAME"               the printer (before the first page)
//   devmode KEY=VALUE...         public DEVMODE fields: orient paper length
//                                width scale copies source quality color
//                                duplex yres ttoption collate nup media
//                                icmmethod icmintent dither (integers), form="NAME";
//                                imageprint=0|1 (the driver's private rdmImagePrint:
//                                pages go as banded images; needs a DEVMODE with the
//                                driver's private part); joblinker=0|1|2 (the private
//                                rdmJobLinker: 1 binds the pages, page 1 carrying the
//                                job header only, and serves PASSTHROUGH);
//                                machinecolor=0|1 (the private rdmMachineColor:
//                                1 a colour device, whose banded pages go in
//                                colour when dmColor is 2); or
//                                file=PATH (a DEVMODE saved as bytes)
//   job [name="..."] [user="..."] [emf=on|off]
//   fontface "NAME" [fixed] [fstype=N] [charset=N] [weight=N] [em=N]
//                   [ascent=N] [descent=N] [advance=N]
//                                an engine font; its glyphs follow:
//   glyph "C"|U+XXXX advance=N { PATH }   an outline in font units (y up)
//   escape N ARG...              DrvEscape N; the input is the ARGs in order:
//                                u8:V u16:V u32:V (little-endian), str:"..."
//                                (UTF-8 bytes, with a zero), wstr:"..." (UTF-16,
//                                with a zero), hex:HEXDIGITS; out:N asks for an
//                                output buffer of N bytes
//   resetdc [KEY=VALUE...]       a new device with these DEVMODE changes
//   icm profile=FILE | icm off   colour management with the destination
//                                profile FILE (the driver's colour transform),
//                                or off (the transform deleted)
//   page ... endpage             one page
//   end                          the end of the job (optional)
//
// Page statements (between page and endpage; escape is allowed too)
//   clip none | clip rect L T R B [L T R B ...] | clip path NAME|{PATH} [winding]
//   brush none | brush solid #RGB | brush hatch N [fg=#RGB] [bg=#RGB]
//         | brush pattern FILE.bmp            add "icm" for host-matched colours
//   pen cosmetic [color=#RGB] [style=A,B,...] [alternate]
//   pen geometric width=W [cap=round|square|flat] [join=round|bevel|mitre]
//         [miter=M] [style=A,B,...] [startgap] [color=#RGB]
//   xform M11 M12 M21 M22 [DX DY]       world transform for widths and dashes
//   mix FG [bg=BG]                      mix codes 1..16 (13 copy, 11 no-op)
//   brushorg X Y
//   path NAME { PATH }                  a named path for later statements
//   fill NAME|{PATH} [winding|alternate]
//   stroke NAME|{PATH}
//   strokefill NAME|{PATH} [winding|alternate]
//   rect L T R B [rop4=0xNNNN]          a blit without a source (the brush)
//   bitblt dst L T R B src=FILE [at X Y] [mask=FILE [at X Y]] [rop4=0xNNNN]
//   stretch src=FILE [srcrect L T R B] dst L T R B [mode N] [rop4=0xNNNN]
//                                       (rop4 makes it a stretch with the brush)
//   copy src=FILE dst L T R B [at X Y]
//   font face="NAME" height=N [angle=TENTHS] [bold] [italic] [underline] [strikeout]
//   text at X Y "TEXT" [fixed=N] [dx=A,B,...] [opaque L T R B #RGB] [glyphindex]
//        [vertical]
//
// PATH: figures of M X Y (start), L X Y (line), C X1 Y1 X2 Y2 X3 Y3 (Bézier)
// and Z (close), e.g. { M 100 100 L 900 100 C 950 150 950 250 900 300 Z }.
//
// The reader reports every error with its line and never fails on bad
// input otherwise; the player drives winsim::engine through a host.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <winsim/engine.h>

namespace vds {

struct Error {
    int line = 0;
    std::string message;
};

struct Command {
    enum Kind {
        Machine, Printer, Devmode, Job, FontFace, Glyph, Escape, ResetDc, Page, EndPage, End,
        Clip, Brush, Pen, Xform, Mix, BrushOrg, DefinePath, Fill, Stroke, StrokeFill, Rect,
        BitBlt, Stretch, Copy, Font, Text, Icm
    } kind = End;
    int line = 0;

    std::string text;                                        // machine path, printer name, path name
    std::vector<std::pair<std::string, std::string>> fields; // devmode and resetdc changes
    std::string devmodeFile;
    // job
    std::string jobName, jobUser;
    bool emf = false;  // emf=on: banded pages start at the band loop
    // fontface / glyph
    winsim::engine::FontFace face;
    char16_t glyphChar = 0;
    winsim::engine::GlyphOutline glyph;
    // escape
    uint32_t escape = 0;
    std::vector<uint8_t> escapeIn;
    uint32_t escapeOut = 0;
    // icm: the profile file (empty: off)
    std::string icmProfile;
    // state
    winsim::engine::ClipSpec clip;
    std::string clipPathName;
    winsim::engine::BrushSpec brush;
    std::string brushFile;
    winsim::engine::PenSpec pen;
    winsim::engine::Transform xform;
    MIX mix = R2_COPYPEN | (R2_COPYPEN << 8);
    POINTL point{};
    // drawing
    winsim::engine::Path path;
    std::string pathName;  // a named path instead of an inline one
    bool winding = false;
    RECTL dst{}, srcRect{};
    bool hasSrcRect = false;
    std::string srcFile, maskFile;
    POINTL srcAt{}, maskAt{};
    ROP4 rop4 = 0;
    bool hasRop = false;
    ULONG mode = COLORONCOLOR;
    winsim::engine::FontSpec font;
    winsim::engine::TextSpec textSpec;
};

struct Script {
    std::vector<Command> commands;
};

// Reads a script. Returns true when there was no error; every error goes to
// `errors` with its line, and reading goes on at the next statement.
bool read(std::string_view text, Script& out, std::vector<Error>* errors);

// Sets public DEVMODE fields (Windows offsets, little-endian) in a DEVMODE
// of at least 220 bytes, raising their dmFields bits. False with a reason
// for an unknown field or a value out of range.
bool applyDevmodeFields(std::vector<uint8_t>& devmode, const std::vector<std::pair<std::string, std::string>>& fields,
                        std::string* error);
// The value of a field applyDevmodeFields sets (the public numbers and the
// private settings; not the form name). False for any other key or a
// DEVMODE too short for the field.
bool devmodeFieldValue(const std::vector<uint8_t>& devmode, const std::string& key, int64_t* value);
// True when the DEVMODE carries the driver's private part.
bool hasDriverPrivatePart(const std::vector<uint8_t>& devmode);
// A public DEVMODE (220 bytes) with the device name and no private part.
std::vector<uint8_t> minimalDevmode(const std::u16string& deviceName);

// What the player needs from the host. Every hook is optional.
struct Host {
    std::function<bool(const std::string& path, std::string* error)> useMachine;
    std::function<HANDLE(const std::u16string& printer, std::string* error)> openPrinter;
    std::function<void(HANDLE)> closePrinter;
    // The printer's DEVMODE that the script's changes apply to.
    std::function<std::vector<uint8_t>(HANDLE, const std::u16string& printer)> defaultDevmode;
    // Starts a spool job and returns its id (0 when there is none).
    std::function<DWORD(HANDLE, const std::u16string& document, const std::u16string& user)> startJob;
    std::function<void(HANDLE, DWORD)> endJob;
    // Reads a file the script names (default: the host file system, relative
    // to baseDir).
    std::function<bool(const std::string& path, std::string& bytes, std::string* error)> readFile;
    std::filesystem::path baseDir;
    std::function<void(const std::string&)> log;
    // Options of the engine session (banding without DrvStartPage follows
    // the job's emf=off).
    winsim::engine::SessionOptions session;
};

struct PlayResult {
    bool ok = false;
    std::string error;        // the first error that stopped the play
    size_t pages = 0;
    size_t failedDraws = 0;   // drawing operations the engine and driver could not do
};

// Plays a script into the driver. Drawing failures are logged and counted;
// a missing file, a device that cannot be made or a failed page stops.
PlayResult play(const Script& script, const winsim::engine::DriverTable& driver, const Host& host);

}  // namespace vds
