#include "device_file.h"

#include <winsim/winsim.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kw4mannt {
namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool number(const std::string& word, uint32_t* out) {
    if (word.empty() || word[0] == '-') return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(word.c_str(), &end, 0);
    if (!end || *end || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool numbers(const std::string& text, std::vector<uint32_t>* out) {
    std::istringstream in(text);
    for (std::string w; in >> w;) {
        uint32_t v = 0;
        if (!number(w, &v)) return false;
        out->push_back(v);
    }
    return true;
}

bool flag(const std::string& text, bool* out) {
    uint32_t v = 0;
    if (!number(text, &v) || v > 1) return false;
    *out = v == 1;
    return true;
}

bool knownEntry(const std::string& e) {
    for (const char* n : {"open", "close", "request", "group", "model", "query", "groupquery"})
        if (e == n) return true;
    return false;
}

bool parseFault(const std::string& text, Fault* f) {
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    if (w.size() < 2 || !knownEntry(w[0])) return false;
    f->entry = w[0];
    size_t i = 1;
    if (w.back() == "size" || w.back() == "data") {
        f->onSize = w.back() == "size";
        f->onData = w.back() == "data";
        w.pop_back();
    }
    uint32_t a = 0, b = 0;
    if (w.size() == 3) {
        if (!number(w[1], &a)) return false;
        f->kind = a;
        i = 2;
    }
    if (w.size() != i + 1 || !number(w[i], &b)) return false;
    f->error = b;
    return true;
}

// The keys that hold one tray's four answers, in the order of a tray line.
constexpr DWORD kTrayKinds[] = {1, 20, 21, 23};

}  // namespace

std::optional<Device> ParseDevice(const std::string& text, std::string* error) {
    Device d;
    std::map<DWORD, std::vector<uint32_t>> trays, replaced;
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        line = trim(line);
        if (line.empty()) continue;
        size_t eq = line.find('=');
        auto bad = [&](const char* why) {
            if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
            return std::nullopt;
        };
        if (eq == std::string::npos) return bad("expected key = value");
        const std::string key = trim(line.substr(0, eq));
        const std::string val = trim(line.substr(eq + 1));
        std::vector<uint32_t> v;
        uint32_t n = 0;
        if (key == "reachable") {
            if (!flag(val, &d.reachable)) return bad("reachable takes 0 or 1");
        } else if (key == "ok") {
            if (!flag(val, &d.ok)) return bad("ok takes 0 or 1");
        } else if (key == "model") {
            d.model = winsim::fromUtf8(val);
        } else if (key == "tray") {
            if (!numbers(val, &v) || v.size() != 4) return bad("tray takes VALUE PAPER MEDIA STATUS");
            for (size_t i = 0; i < 4; ++i) trays[kTrayKinds[i]].push_back(v[i]);
        } else if (key == "option") {
            if (!numbers(val, &v)) return bad("option takes numbers");
            auto& list = d.lists[2];
            list.insert(list.end(), v.begin(), v.end());
        } else if (key == "memory") {
            if (!number(val, &n)) return bad("memory takes a number");
            if (!d.memory) d.memory.emplace(4, 0);
            for (size_t i = 0; i < 4 && i < d.memory->size(); ++i) (*d.memory)[i] = static_cast<uint8_t>(n >> (8 * i));
        } else if (key == "memory.bytes") {
            if (!number(val, &n) || n > 64) return bad("memory.bytes takes 0 to 64");
            if (!d.memory) d.memory.emplace(4, 0);
            d.memory->resize(n, 0);
        } else if (key == "memory.kind") {
            if (!number(val, &n)) return bad("memory.kind takes a number");
            d.memoryKind = n;
        } else if (key == "version.system") {
            d.blobs[8] = val;
        } else if (key == "version.emulation") {
            d.blobs[kGroupBlobBase + 2] = val;
        } else if (key == "other") {
            d.blobs[kGroupBlobBase + 259] = val;
        } else if (key.rfind("answer.", 0) == 0) {
            if (!number(key.substr(7), &n) || !(n == 1 || n == 2 || n == 20 || n == 21 || n == 23))
                return bad("answer.KIND takes kind 1, 2, 20, 21 or 23");
            if (!numbers(val, &v)) return bad("answer takes numbers");
            replaced[n] = v;
        } else if (key == "fail") {
            Fault f;
            if (!parseFault(val, &f)) return bad("fail takes ENTRY [KIND] ERROR [size|data]");
            d.faults.push_back(f);
        } else {
            return bad("unknown key");
        }
    }
    for (DWORD k : kTrayKinds) d.lists[k] = trays[k];
    for (auto& [k, v] : replaced) d.lists[k] = v;
    return d;
}

std::optional<Device> LoadDevice(const std::string& path, std::string* error) {
    std::filesystem::path host = path;
    if (path.size() > 1 && path[1] == ':') {
        auto h = winsim::hostPath(std::string_view(path));
        if (!h) {
            if (error) *error = "not a path of the machine";
            return std::nullopt;
        }
        host = *h;
    }
    std::ifstream in(host, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return std::nullopt;
    }
    return ParseDevice(std::string(std::istreambuf_iterator<char>(in), {}), error);
}

const Fault* FindFault(const Device& d, const char* entry, std::optional<DWORD> kind, bool sizeCall) {
    for (const Fault& f : d.faults) {
        if (f.entry != entry) continue;
        if (f.kind && (!kind || *f.kind != *kind)) continue;
        if (sizeCall ? f.onSize : f.onData) return &f;
    }
    return nullptr;
}

}  // namespace kw4mannt
