// Header and trailer text: lines and PJL commands.
#include "decode/pjl.h"

#include <cstdio>
#include <new>

namespace vesk::decode {

namespace {

constexpr std::string_view kUel = "\x1b%-12345X";
constexpr std::string_view kJobNamePrefix = "@PJL SET JOBNAME = \"";

bool isSpace(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Checks the value of a line the driver writes itself.
bool checkDriverValue(const PjlLine& l, std::string* why) {
    const std::string_view v = l.value;
    if (l.variable == "DATE") {
        // "%04d/%02d/%02d", between double quotes.
        if (!l.quoted || v.size() != 10 || v[4] != '/' || v[7] != '/') {
            *why = "DATE value is not \"YYYY/MM/DD\"";
            return false;
        }
        for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
            if (!isDigit(v[i])) {
                *why = "DATE value is not \"YYYY/MM/DD\"";
                return false;
            }
        const int month = (v[5] - '0') * 10 + (v[6] - '0');
        const int day = (v[8] - '0') * 10 + (v[9] - '0');
        if (month < 1 || month > 12 || day < 1 || day > 31) {
            *why = "DATE value names no day";
            return false;
        }
        return true;
    }
    if (l.variable == "VESKDRIVERNAME" || l.variable == "JOBNAME") {
        if (!l.quoted) {
            *why = std::string(l.variable) + " value is not quoted";
            return false;
        }
        return true;
    }
    const bool fonts = l.variable == "DEVFONTID";
    if (fonts || l.variable == "SUBFONTTABLE") {
        // "id+name/id+name" or "name+name/name+name"; never empty, since the
        // driver writes no line without entries.
        if (!l.quoted || v.empty()) {
            *why = std::string(l.variable) + " value is not a quoted, non-empty list";
            return false;
        }
        std::size_t start = 0;
        for (;;) {
            const std::size_t slash = v.find('/', start);
            const std::string_view entry = v.substr(start, slash == std::string_view::npos ? v.npos : slash - start);
            const std::size_t plus = entry.find('+');
            if (plus == std::string_view::npos) {
                *why = std::string(l.variable) + " entry '" + std::string(entry) + "' has no '+'";
                return false;
            }
            if (fonts) {
                const std::string_view id = entry.substr(0, plus);
                bool digits = !id.empty() && id.size() <= 5;
                unsigned long value = 0;
                for (char c : id) {
                    digits = digits && isDigit(c);
                    value = value * 10 + static_cast<unsigned>(c - '0');
                }
                // 0xFFFF marks an unused record, which is never listed.
                if (!digits || value > 0xFFFE) {
                    *why = "DEVFONTID entry '" + std::string(entry) + "' has no font id";
                    return false;
                }
            }
            if (slash == std::string_view::npos) break;
            start = slash + 1;
        }
        return true;
    }
    return true;
}

}  // namespace

std::vector<TextLine> splitLines(Bytes block) {
    std::vector<TextLine> lines;
    const char* base = reinterpret_cast<const char*>(block.data());
    std::size_t start = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (block[i] != '\n') continue;
        TextLine l;
        l.offset = start;
        std::size_t end = i;
        l.end = LineEnd::Lf;
        if (end > start && block[end - 1] == '\r') {
            --end;
            l.end = LineEnd::CrLf;
        }
        l.text = std::string_view(base + start, end - start);
        lines.push_back(l);
        start = i + 1;
    }
    if (start < block.size()) lines.push_back(TextLine{start, std::string_view(base + start, block.size() - start), LineEnd::None});
    return lines;
}

bool parsePjlLine(std::string_view line, PjlLine* out, std::string* why, std::size_t* where) {
    *out = PjlLine{};
    *where = 0;
    std::size_t at = 0;
    if (line.substr(0, kUel.size()) == kUel) {
        out->uel = true;
        at = kUel.size();
    }
    std::string_view rest = line.substr(at);
    if (rest.substr(0, 4) != "@PJL") return true;  // text, not a command
    if (rest.size() > 4 && !isSpace(rest[4])) {
        *where = at;
        *why = "'@PJL' not followed by a space";
        return false;
    }
    out->pjl = true;
    // Quotes balance, and no control byte sits inside a quoted value (an
    // outside name that kept its CR, LF or ESC would end or redirect the job).
    bool inQuote = false;
    std::size_t quoteAt = 0;
    for (std::size_t i = at; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '"') {
            inQuote = !inQuote;
            quoteAt = i;
        } else if (inQuote && (c < 0x20 || c == 0x7F)) {
            *where = i;
            *why = "control byte inside a quoted PJL value";
            return false;
        }
    }
    if (inQuote) {
        *where = quoteAt;
        *why = "unbalanced quote in a PJL line";
        return false;
    }
    rest = trim(rest.substr(4));
    std::size_t w = 0;
    while (w < rest.size() && !isSpace(rest[w]) && rest[w] != '=') ++w;
    out->command = rest.substr(0, w);
    if (out->command == "SET" || out->command == "DEFAULT") {
        const std::string_view args = rest.substr(w);
        const std::size_t eq = args.find('=');
        if (eq == std::string_view::npos) {
            *where = line.size();
            *why = std::string(out->command) + " line without '='";
            return false;
        }
        out->variable = trim(args.substr(0, eq));
        std::string_view v = trim(args.substr(eq + 1));
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
            out->quoted = true;
            v = v.substr(1, v.size() - 2);
        }
        out->value = v;
        if (out->variable.empty()) {
            *where = at;
            *why = std::string(out->command) + " line without a variable name";
            return false;
        }
        if (!checkDriverValue(*out, why)) {
            *where = at;
            return false;
        }
    }
    return true;
}

bool checkTextBlock(Bytes block, std::uint64_t fileOffset, Issue* issue) {
    try {
        for (const TextLine& l : splitLines(block)) {
            PjlLine pl;
            std::string why;
            std::size_t where = 0;
            if (!parsePjlLine(l.text, &pl, &why, &where)) {
                *issue = Issue{fileOffset + l.offset + where, why};
                return false;
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        *issue = Issue{fileOffset, "out of memory reading header text"};
        return false;
    }
}

bool looksLikeJobName(Bytes data) {
    const std::string_view s(reinterpret_cast<const char*>(data.data()), data.size());
    return s.substr(0, kJobNamePrefix.size()) == kJobNamePrefix;
}

bool parseJobName(Bytes data, std::uint64_t fileOffset, std::string* name, Issue* issue) {
    const std::string_view s(reinterpret_cast<const char*>(data.data()), data.size());
    // The record's length is the name's length + 23.
    if (!looksLikeJobName(data) || s.size() < 23 || s.substr(s.size() - 3) != "\"\r\n") {
        *issue = Issue{fileOffset, "JOBNAME record is not '@PJL SET JOBNAME = \"name\"' CR LF"};
        return false;
    }
    const std::string_view n = s.substr(kJobNamePrefix.size(), s.size() - 23);
    // The name is cut at 128 bytes; quotes and control bytes are replaced
    // before it is written, so none may remain.
    if (n.size() > 128) {
        *issue = Issue{fileOffset + 20, "job name of " + std::to_string(n.size()) + " bytes (at most 128)"};
        return false;
    }
    for (std::size_t i = 0; i < n.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(n[i]);
        if (c < 0x20 || c == 0x7F || c == '"') {
            *issue = Issue{fileOffset + 20 + i, "job name holds a quote or control byte"};
            return false;
        }
    }
    name->assign(n);
    return true;
}

std::string escapeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += ch;
        } else {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        }
    }
    return out;
}

}  // namespace vesk::decode
