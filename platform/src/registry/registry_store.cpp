// Hive files: the text form of a key tree, read and written whole.
//
// One file per hive keeps every change atomic: the new text is written to a
// temporary file and renamed over the old one, so a crash leaves the hive as
// it was before or after the change, never in between. A malformed file is
// reported (ERROR_BADDB), never silently replaced by an empty hive.
#include "registry_store.h"

#include "core/sim.h"
#include "core/store_file.h"

#include <algorithm>
#include <cstdio>

namespace winsim::detail::reg {
namespace {

constexpr std::string_view kMagic = "vesk-registry 1";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex64(std::string_view s, uint64_t& out) {
    if (s.empty() || s.size() > 16) return false;
    out = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0) return false;
        out = out * 16 + static_cast<uint64_t>(d);
    }
    return true;
}

std::string hexBytes(std::string_view data) {
    static const char digits[] = "0123456789abcdef";
    if (data.empty()) return "-";
    std::string out;
    out.reserve(data.size() * 2);
    for (char c : data) {
        auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool unhexBytes(std::string_view s, std::string& out) {
    out.clear();
    if (s == "-") return true;
    if (s.empty() || s.size() % 2) return false;
    out.reserve(s.size() / 2);
    for (size_t i = 0; i < s.size(); i += 2) {
        int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

void formatKey(const Key& k, const std::string& path, std::string& out) {
    char head[40];
    std::snprintf(head, sizeof head, "key %016llx ", static_cast<unsigned long long>(k.lastWrite));
    out += head;
    out += path;
    out += '\n';
    for (const auto& v : k.values) {
        char type[24];
        std::snprintf(type, sizeof type, "value %08x ", static_cast<unsigned>(v.type));
        out += type;
        out += hexBytes(v.data);
        out += ' ';
        out += escapeName(v.name);
        out += '\n';
    }
    for (const auto& s : k.subkeys) formatKey(*s, path.empty() ? escapeName(s->name) : path + "\\" + escapeName(s->name), out);
}

}  // namespace

bool Key::before(std::u16string_view a, std::u16string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const WCHAR p = a[i], q = b[i];
        if (p == q) continue;
        const WCHAR x = foldCaseInline(p), y = foldCaseInline(q);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

Key* Key::child(std::u16string_view n) const {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                               [](const std::unique_ptr<Key>& k, std::u16string_view x) { return before(k->name, x); });
    if (it != subkeys.end() && wequalNoCase((*it)->name, n)) return it->get();
    return nullptr;
}

Key* Key::addChild(std::u16string_view n, uint64_t time) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n,
                               [](const std::unique_ptr<Key>& k, std::u16string_view x) { return before(k->name, x); });
    auto k = std::make_unique<Key>();
    k->name = std::u16string(n);
    k->lastWrite = time;
    return subkeys.insert(it, std::move(k))->get();
}

bool Key::removeChild(std::u16string_view n) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
        if (wequalNoCase((*it)->name, n)) {
            subkeys.erase(it);
            return true;
        }
    }
    return false;
}

Value* Key::value(std::u16string_view n) {
    for (auto& v : values)
        if (wequalNoCase(v.name, n)) return &v;
    return nullptr;
}

std::string escapeName(std::u16string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        char buf[16];
        if (c <= u' ' || c == u'%' || c == 0x7F) {
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned>(c));
            out += buf;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            out += winsim::toUtf8(name.substr(i, 2));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            std::snprintf(buf, sizeof buf, "%%u%04X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += winsim::toUtf8(name.substr(i, 1));
        }
    }
    return out;
}

std::optional<std::u16string> unescapeName(std::string_view text) {
    std::u16string out;
    size_t run = 0;  // start of the pending UTF-8 run
    auto flush = [&](size_t end) {
        if (end > run) out += winsim::fromUtf8(text.substr(run, end - run));
    };
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b <= ' ' || b == 0x7F) return std::nullopt;
        if (text[i] != '%') {
            ++i;
            continue;
        }
        flush(i);
        if (i + 1 < text.size() && text[i + 1] == 'u') {
            if (i + 6 > text.size()) return std::nullopt;
            uint64_t v;
            if (!parseHex64(text.substr(i + 2, 4), v)) return std::nullopt;
            out += static_cast<char16_t>(v);
            i += 6;
        } else {
            if (i + 3 > text.size()) return std::nullopt;
            int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char16_t>(hi * 16 + lo);
            i += 3;
        }
        run = i;
    }
    flush(text.size());
    return out;
}

std::string format(const Key& root) {
    std::string out(kMagic);
    out += '\n';
    formatKey(root, "", out);
    return out;
}

bool parse(std::string_view text, Key& root) {
    root.values.clear();
    root.subkeys.clear();
    root.lastWrite = 0;
    size_t pos = 0;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        line = text.substr(pos, nl - pos);
        pos = nl + 1;
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != kMagic) return false;
    Key* current = nullptr;
    while (nextLine(line)) {
        if (line.empty()) continue;
        if (line.substr(0, 4) == "key ") {
            std::string_view rest = line.substr(4);
            size_t sp = rest.find(' ');
            if (sp == std::string_view::npos) return false;
            uint64_t time;
            if (!parseHex64(rest.substr(0, sp), time)) return false;
            std::string_view path = rest.substr(sp + 1);
            Key* k = &root;
            while (!path.empty()) {
                size_t sep = path.find('\\');
                std::string_view comp = path.substr(0, sep);
                auto name = unescapeName(comp);
                if (!name || name->empty()) return false;
                Key* c = k->child(*name);
                k = c ? c : k->addChild(*name, time);
                path = sep == std::string_view::npos ? std::string_view() : path.substr(sep + 1);
                if (sep != std::string_view::npos && path.empty()) return false;
            }
            k->lastWrite = time;
            current = k;
        } else if (line.substr(0, 6) == "value ") {
            if (!current) return false;
            std::string_view rest = line.substr(6);
            size_t sp1 = rest.find(' ');
            if (sp1 == std::string_view::npos) return false;
            size_t sp2 = rest.find(' ', sp1 + 1);
            if (sp2 == std::string_view::npos) return false;
            uint64_t type;
            if (sp1 != 8 || !parseHex64(rest.substr(0, sp1), type)) return false;
            Value v;
            v.type = static_cast<DWORD>(type);
            if (!unhexBytes(rest.substr(sp1 + 1, sp2 - sp1 - 1), v.data)) return false;
            auto name = unescapeName(rest.substr(sp2 + 1));
            if (!name || current->value(*name)) return false;
            v.name = std::move(*name);
            current->values.push_back(std::move(v));
        } else {
            return false;
        }
    }
    return true;
}

LoadResult load(const std::filesystem::path& file, Key& root) {
    std::string text;
    switch (store::readFile(file, text)) {
        case store::ReadStatus::Missing:
            root.values.clear();
            root.subkeys.clear();
            return LoadResult::Ok;
        case store::ReadStatus::Failed: return LoadResult::Unreadable;
        case store::ReadStatus::Ok: break;
    }
    return parse(text, root) ? LoadResult::Ok : LoadResult::Corrupt;
}

DWORD save(const std::filesystem::path& file, const Key& root) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    return store::replaceFile(file, format(root));
}

}  // namespace winsim::detail::reg
