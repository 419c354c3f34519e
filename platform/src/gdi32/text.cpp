// Text in the one fixed bitmap font: metrics, extents, TextOutW,
// ExtTextOutW and DrawTextW's layout (alignment, word breaks, ellipsis,
// prefix characters, measuring).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/sim.h"
#include "gdi32/font.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using namespace winsim::gdi32;

namespace {

RECT intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// Draws `text` with its first cell's top-left at (x, y), inside `limit`.
// `advances` (optional) gives each character's step; `underline` a
// character index to underline, -1 for none. The DC's font turns the run
// about (x, y) by its escapement (tenths of a degree, anticlockwise) and
// doubles each glyph column a pixel right from weight 600 (bold). In a path
// the glyphs' pixels become the path's dots and nothing is drawn.
void drawRun(Dc& dc, Surface& s, int x, int y, std::u16string_view text, const RECT& limit, const INT* advances,
             int underline) {
    const Object* font = findObject(dc.state.font);
    const bool bold = font && font->kind == Kind::Font && font->font.lfWeight >= 600;
    const int tenths = font && font->kind == Kind::Font ? int(font->font.lfEscapement % 3600) : 0;
    const double angle = tenths * 3.14159265358979323846 / 1800.0;
    const double cosA = std::cos(angle), sinA = std::sin(angle);
    const bool inPath = pathOpen(dc);
    auto put = [&](int px, int py, COLORREF c, bool glyph) {
        if (tenths) {
            const double dx = px - x, dy = py - y;
            px = x + int(std::lround(dx * cosA + dy * sinA));
            py = y + int(std::lround(dy * cosA - dx * sinA));
        }
        if (inPath) {
            if (glyph) pathDot(dc, px, py);
            return;
        }
        if (px >= limit.left && px < limit.right && py >= limit.top && py < limit.bottom && visible(dc, s, px, py))
            s.pixels[size_t(py) * size_t(s.width) + size_t(px)] = c & 0xFFFFFF;
    };
    auto ink = [&](int px, int py) {
        put(px, py, dc.state.text, true);
        if (bold) put(px + 1, py, dc.state.text, true);
    };
    int cx = x;
    for (size_t i = 0; i < text.size(); ++i) {
        const int step = advances ? advances[i] : kCellWidth;
        if (dc.state.bkMode == OPAQUE && !inPath)
            for (int py = y; py < y + kCellHeight; ++py)
                for (int px = cx; px < cx + std::max(step, 0); ++px) put(px, py, dc.state.back, false);
        const Glyph g = glyphOf(text[i]);
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < kGlyphWidth; ++c)
                if (g.rows[r] >> (4 - c) & 1) ink(cx + c, y + kGlyphTop + r);
        if (g.mark) ink(cx + 2, y + 1);
        if (int(i) == underline)
            for (int c = 0; c < kGlyphWidth; ++c) ink(cx + c, y + kAscent + 1);
        cx += step;
    }
}

bool textArgs(LPCWSTR text, int count) { return count >= 0 && (text || count == 0); }

// One line of DrawTextW's layout: its text and the index of its prefix
// character (-1 when none).
struct Line {
    std::u16string text;
    int underline = -1;
};

int width(const std::u16string& s) { return int(s.size()) * kCellWidth; }

// Removes the prefix marks: "&x" underlines x, "&&" is '&'.
Line stripPrefix(std::u16string_view in) {
    Line out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == u'&' && i + 1 < in.size()) {
            ++i;
            if (in[i] != u'&') out.underline = int(out.text.size());
        }
        out.text.push_back(in[i]);
    }
    return out;
}

// Splits at line ends, then (word breaks) at spaces so each line fits
// `limit` pixels; a word longer than a line keeps a line of its own.
std::vector<Line> layout(const Line& all, UINT format, int limit) {
    std::vector<Line> lines;
    auto add = [&](size_t from, size_t to) {
        Line l{all.text.substr(from, to - from), -1};
        if (all.underline >= int(from) && all.underline < int(to)) l.underline = all.underline - int(from);
        lines.push_back(std::move(l));
    };
    if (format & DT_SINGLELINE) {
        Line l = all;
        for (char16_t& c : l.text)
            if (c == u'\r' || c == u'\n') c = u' ';
        return {l};
    }
    size_t start = 0;
    const std::u16string& t = all.text;
    while (start <= t.size()) {
        size_t end = t.find(u'\n', start);
        if (end == std::u16string::npos) end = t.size();
        size_t stop = end > start && t[end - 1] == u'\r' ? end - 1 : end;
        size_t from = start;
        if (format & DT_WORDBREAK) {
            const size_t fit = size_t(std::max(limit, 0) / kCellWidth);
            while (stop - from > fit) {
                // The last space within the width, else the first after it.
                size_t cut = t.rfind(u' ', from + fit);
                if (cut == std::u16string::npos || cut < from) cut = t.find(u' ', from + fit);
                if (cut == std::u16string::npos || cut >= stop) break;
                add(from, cut);
                from = cut + 1;
                while (from < stop && t[from] == u' ') ++from;
            }
        }
        add(from, stop);
        if (end == t.size()) break;
        start = end + 1;
    }
    return lines;
}

// Cuts a line to `limit` pixels, ending it with "...".
void ellipsis(Line& l, int limit) {
    if (width(l.text) <= limit) return;
    const int keep = std::max(limit / kCellWidth - 3, 0);
    l.text = l.text.substr(0, size_t(keep)) + u"...";
    if (l.underline >= keep) l.underline = -1;
}

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI GetTextMetricsW(HDC dc, LPTEXTMETRICW m) {
    std::lock_guard g(userLock());
    if (!findDc(dc) || !m) return FALSE;
    *m = TEXTMETRICW{};
    m->tmHeight = kCellHeight;
    m->tmAscent = kAscent;
    m->tmDescent = kCellHeight - kAscent;
    m->tmAveCharWidth = m->tmMaxCharWidth = kCellWidth;
    m->tmWeight = 400;
    m->tmDigitizedAspectX = m->tmDigitizedAspectY = 96;
    m->tmFirstChar = 0x20;
    m->tmLastChar = 0xFFFF;
    m->tmDefaultChar = 0x25A1;  // drawn as the box
    m->tmBreakChar = 0x20;
    m->tmPitchAndFamily = 0;  // fixed pitch (the bit set means variable)
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size) {
    std::lock_guard g(userLock());
    if (!findDc(dc) || !size || !textArgs(text, count)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    size->cx = LONG(int64_t(count) * kCellWidth > 0x7FFFFFFF ? 0x7FFFFFFF : count * kCellWidth);
    size->cy = kCellHeight;
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetCharABCWidthsW(HDC dc, UINT first, UINT last, LPABC widths) {
    std::lock_guard g(userLock());
    if (!findDc(dc) || !widths || last < first || last > 0xFFFF) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (UINT c = first; c <= last; ++c) widths[c - first] = ABC{0, UINT(kGlyphWidth), kCellWidth - kGlyphWidth};
    return TRUE;
}

WINBASEAPI BOOL WINAPI ExtTextOutW(HDC dc, int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count,
                                   const INT* dx) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    Surface* s = d ? surfaceOf(*d) : nullptr;
    if (!s || count > 0x7FFFFFFF || !textArgs(text, int(count))) return FALSE;
    RECT limit{0, 0, s->width, s->height};
    if (rect && (options & ETO_OPAQUE)) {
        const RECT f = intersect(*rect, limit);
        for (int py = f.top; py < f.bottom; ++py)
            for (int px = f.left; px < f.right; ++px)
                if (visible(*d, *s, px, py)) s->pixels[size_t(py) * size_t(s->width) + size_t(px)] = d->state.back;
    }
    if (rect && (options & ETO_CLIPPED)) limit = intersect(limit, *rect);
    drawRun(*d, *s, x, y, std::u16string_view(text ? text : u"", count), limit, dx, -1);
    surfaceWritten(*d);
    logDraw({d->window, "TextOut", x, y, count, dc, std::u16string(text ? text : u"", count), d->state.text});
    return TRUE;
}

WINBASEAPI BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
    if (count < 0) return FALSE;
    return ExtTextOutW(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

WINBASEAPI int WINAPI DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    Surface* s = d ? surfaceOf(*d) : nullptr;
    if (!s || !rect || !text || count < -1) return 0;
    std::u16string_view in = count == -1 ? std::u16string_view(text) : std::u16string_view(text, size_t(count));
    const Line all = (format & DT_NOPREFIX) ? Line{std::u16string(in), -1} : stripPrefix(in);
    const int boxWidth = int(rect->right - rect->left);
    std::vector<Line> lines = layout(all, format, boxWidth);
    if (format & DT_END_ELLIPSIS)
        for (Line& l : lines) ellipsis(l, boxWidth);
    const int height = int(lines.size()) * kCellHeight;
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& l : lines) widest = std::max(widest, width(l.text));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    int y = int(rect->top);
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) y = int(rect->top + (rect->bottom - rect->top - kCellHeight) / 2);
        else if (format & DT_BOTTOM) y = int(rect->bottom) - kCellHeight;
    }
    const RECT limit = intersect(*rect, RECT{0, 0, s->width, s->height});
    for (const Line& l : lines) {
        int x = int(rect->left);
        if (format & DT_CENTER) x += (boxWidth - width(l.text)) / 2;
        else if (format & DT_RIGHT) x = int(rect->right) - width(l.text);
        drawRun(*d, *s, x, y, l.text, limit, nullptr, l.underline);
        y += kCellHeight;
    }
    surfaceWritten(*d);
    logDraw({d->window, "DrawText", int(rect->left), int(rect->top), uint32_t(lines.size()), dc, all.text,
             d->state.text});
    return height;
}

}  // extern "C"
