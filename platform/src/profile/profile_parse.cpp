// Parsing and editing INI text line by line.
//
// Choices where Windows leaves room, kept here with their reasons:
// - A line whose first non-blank character is ';' is a comment: never a key,
//   never listed, kept as it is by every edit.
// - A line without '=' is not a key: lookups and the key list ignore it, so
//   every key listed can also be read; the section reader returns its text.
// - A section header is '[' at the start of the (blank-trimmed) line; its
//   name runs to the last ']' on the line, so "[Printer [2]]" names
//   "Printer [2]", and is trimmed. Without ']' the rest of the line is the name.
// - Lookups use the first section of a name and the first key line of a name
//   in it; lists name each section and each key once.
// - Lines end at CR LF, LF or a lone CR; text after a NUL is ignored.
#include "profile_parse.h"

#include "core/sim.h"

#include <algorithm>

namespace winsim::detail::ini {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

std::u16string_view trim(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::u16string_view trimRight(std::u16string_view s) {
    size_t e = s.size();
    while (e > 0 && isBlank(s[e - 1])) --e;
    return s.substr(0, e);
}

std::u16string_view unquote(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

namespace {

void classify(Line& line, std::u16string_view content) {
    size_t nul = content.find(u'\0');
    if (nul != std::u16string_view::npos) content = content.substr(0, nul);
    std::u16string_view t = trim(content);
    line.name.clear();
    line.value.clear();
    if (t.empty()) {
        line.kind = LineKind::Blank;
    } else if (t.front() == u';') {
        line.kind = LineKind::Comment;
    } else if (t.front() == u'[') {
        line.kind = LineKind::Section;
        std::u16string_view rest = t.substr(1);
        size_t close = rest.rfind(u']');
        line.name = std::u16string(trim(close == std::u16string_view::npos ? rest : rest.substr(0, close)));
    } else if (size_t eq = t.find(u'='); eq != std::u16string_view::npos) {
        line.kind = LineKind::Entry;
        line.name = std::u16string(trim(t.substr(0, eq)));
        line.value = std::u16string(trim(t.substr(eq + 1)));
    } else {
        line.kind = LineKind::Bare;
        line.name = std::u16string(t);
    }
}

std::u16string decodeUtf16(std::string_view b) {
    std::u16string out;
    out.reserve(b.size() / 2);
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        out += static_cast<char16_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
    return out;
}

std::string encodeUtf16(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

bool sameName(std::u16string_view stored, std::u16string_view wanted) {
    return wequalNoCase(stored, trim(wanted));
}

}  // namespace

Document Document::parse(std::string_view bytes, UINT codePage) {
    Document d;
    d.codePage_ = codePage;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        d.utf16_ = true;
        d.bom_ = std::string(bytes.substr(0, 2));
        bytes.remove_prefix(2);
    }
    const size_t unit = d.utf16_ ? 2 : 1;
    auto at = [&](size_t i) -> unsigned {
        if (!d.utf16_) return static_cast<unsigned char>(bytes[i]);
        if (i + 1 >= bytes.size()) return 0x100;  // odd trailing byte: no character
        return static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    size_t i = 0;
    while (i < bytes.size()) {
        size_t start = i;
        size_t contentEnd = bytes.size();
        size_t next = bytes.size();
        for (size_t j = i; j < bytes.size(); j += unit) {
            unsigned c = at(j);
            if (c == '\n' || c == '\r') {
                contentEnd = j;
                next = j + unit;
                if (c == '\r' && next < bytes.size() && at(next) == '\n') next += unit;
                break;
            }
        }
        next = std::min(next, bytes.size());
        Line line;
        line.raw = std::string(bytes.substr(start, next - start));
        std::string_view content = bytes.substr(start, contentEnd - start);
        classify(line, d.utf16_ ? decodeUtf16(content) : ansiToWide(content, codePage));
        d.lines_.push_back(std::move(line));
        i = next;
    }
    return d;
}

std::string Document::serialize() const {
    std::string out = bom_;
    for (const auto& l : lines_) out += l.raw;
    return out;
}

size_t Document::terminatorSize(const std::string& raw) const {
    if (utf16_) {
        size_t n = 0;
        size_t end = raw.size() - raw.size() % 2;
        auto unitAt = [&](size_t i) { return static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8); };
        if (end >= 2 && unitAt(end - 2) == '\n') {
            n = 2;
            if (end >= 4 && unitAt(end - 4) == '\r') n = 4;
        } else if (end >= 2 && unitAt(end - 2) == '\r') {
            n = 2;
        }
        return raw.size() % 2 ? 0 : n;
    }
    if (!raw.empty() && raw.back() == '\n') return raw.size() >= 2 && raw[raw.size() - 2] == '\r' ? 2 : 1;
    if (!raw.empty() && raw.back() == '\r') return 1;
    return 0;
}

Line Document::makeLine(std::u16string_view text) const {
    Line line;
    std::u16string full(text);
    full += u"\r\n";
    line.raw = utf16_ ? encodeUtf16(full) : wideToAnsi(full, codePage_);
    classify(line, text);
    return line;
}

void Document::ensureTerminated(size_t index) {
    if (index >= lines_.size()) return;
    Line& l = lines_[index];
    if (terminatorSize(l.raw) == 0) l.raw += utf16_ ? encodeUtf16(u"\r\n") : std::string("\r\n");
}

void Document::insert(size_t at, Line line) {
    if (at > 0) ensureTerminated(at - 1);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

size_t Document::appendSection(std::u16string_view section) {
    std::u16string header = u"[";
    header += trim(section);
    header += u"]";
    insert(lines_.size(), makeLine(header));
    return lines_.size() - 1;
}

std::optional<size_t> Document::findSection(std::u16string_view name) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Section && sameName(lines_[i].name, name)) return i;
    return std::nullopt;
}

size_t Document::sectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
    return i;
}

size_t Document::lastLineOf(size_t header, bool entriesOnly) const {
    size_t last = header;
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        LineKind k = lines_[i].kind;
        if (entriesOnly ? (k == LineKind::Entry || k == LineKind::Bare) : k != LineKind::Blank) last = i;
    }
    return last;
}

std::optional<size_t> Document::findKey(size_t header, std::u16string_view key) const {
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Entry && sameName(lines_[i].name, key)) return i;
    return std::nullopt;
}

std::vector<std::u16string> Document::sectionNames() const {
    std::vector<std::u16string> out;
    for (const auto& l : lines_) {
        if (l.kind != LineKind::Section || l.name.empty()) continue;
        bool seen = std::any_of(out.begin(), out.end(), [&](const std::u16string& n) { return wequalNoCase(n, l.name); });
        if (!seen) out.push_back(l.name);
    }
    return out;
}

std::vector<std::u16string> Document::keyNames(size_t header) const {
    std::vector<std::u16string> out;
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Line& l = lines_[i];
        if (l.kind != LineKind::Entry || l.name.empty()) continue;
        bool seen = std::any_of(out.begin(), out.end(), [&](const std::u16string& n) { return wequalNoCase(n, l.name); });
        if (!seen) out.push_back(l.name);
    }
    return out;
}

std::vector<std::u16string> Document::sectionEntries(size_t header) const {
    std::vector<std::u16string> out;
    size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Line& l = lines_[i];
        if (l.kind == LineKind::Entry) out.push_back(l.name + u"=" + l.value);
        else if (l.kind == LineKind::Bare) out.push_back(l.name);
    }
    return out;
}

void Document::setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    std::optional<size_t> h = findSection(section);
    if (!h) h = appendSection(section);
    if (std::optional<size_t> k = findKey(*h, key)) {
        Line& old = lines_[*k];
        // The stored spelling of the key stays; the line keeps its terminator.
        std::u16string text = old.name + u"=" + std::u16string(value);
        std::string term = old.raw.substr(old.raw.size() - terminatorSize(old.raw));
        Line line = makeLine(text);
        line.raw.resize(line.raw.size() - (utf16_ ? 4 : 2));
        line.raw += term;
        old = std::move(line);
        return;
    }
    std::u16string text(trim(key));
    text += u"=";
    text += value;
    insert(lastLineOf(*h, true) + 1, makeLine(text));
}

void Document::deleteKey(std::u16string_view section, std::u16string_view key) {
    std::optional<size_t> h = findSection(section);
    if (!h) return;
    size_t end = sectionEnd(*h);
    for (size_t i = end; i-- > *h + 1;)
        if (lines_[i].kind == LineKind::Entry && sameName(lines_[i].name, key))
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
}

void Document::deleteSection(std::u16string_view section) {
    while (std::optional<size_t> h = findSection(section)) {
        size_t end = sectionEnd(*h);
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*h), lines_.begin() + static_cast<std::ptrdiff_t>(end));
    }
}

void Document::replaceSection(std::u16string_view section, const std::vector<std::u16string>& entries) {
    std::optional<size_t> h = findSection(section);
    if (!h) h = appendSection(section);
    size_t last = lastLineOf(*h, false);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*h + 1), lines_.begin() + static_cast<std::ptrdiff_t>(last + 1));
    size_t at = *h + 1;
    for (const auto& e : entries) insert(at++, makeLine(e));
}

}  // namespace winsim::detail::ini
