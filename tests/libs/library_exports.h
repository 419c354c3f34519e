// What a built library exports, as the toolchain's nm lists its dynamic
// symbol table, and what its version script lets it export.
#pragma once
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace exports {

// The defined dynamic symbols other objects can bind to: global, weak or
// unique, without the absolute zero symbols that name a version node.
// Empty with `error` set when nm cannot read the file.
inline std::set<std::string> definedExports(const std::string& library, std::string* error) {
    std::set<std::string> names;
    const std::string cmd = std::string("'") + VESK_NM + "' -D --defined-only --format=posix '" + library + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        *error = "cannot run " + cmd;
        return names;
    }
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    if (pclose(p) != 0) {
        *error = cmd + ": " + out;
        return {};
    }
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, type, value;
        if (!(fields >> name >> type >> value) || type.size() != 1) {
            *error = "unexpected nm line: " + line;
            return {};
        }
        const char t = type[0];
        if (std::islower(static_cast<unsigned char>(t)) && t != 'u') continue;  // local binding
        if (t == 'A' && value.find_first_not_of('0') == std::string::npos) continue;  // version node
        names.insert(name);
    }
    return names;
}

// The global names and patterns of a version script of one anonymous node,
// "{ global: A; B*; local: *; };", with /* */ and # comments. Anything else
// is refused, so a script this reader does not understand fails the test.
inline std::vector<std::string> scriptGlobals(const std::string& text, std::string* error) {
    std::string clean;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "/*") == 0) {
            size_t e = text.find("*/", i + 2);
            if (e == std::string::npos) {
                *error = "unterminated comment";
                return {};
            }
            clean += ' ';
            i = e + 2;
        } else if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else {
            char c = text[i++];
            clean += c == ';' || c == '{' || c == '}' || c == ':' ? std::string(" ") + c + " " : std::string(1, c);
        }
    }
    std::istringstream in(clean);
    std::vector<std::string> t;
    for (std::string tok; in >> tok;) t.push_back(tok);
    std::vector<std::string> globals;
    size_t i = 0;
    auto take = [&](const char* want) { return i < t.size() && t[i] == want ? (++i, true) : false; };
    bool ok = take("{") && take("global") && take(":");
    while (ok && i + 1 < t.size() && t[i] != "local" && t[i + 1] == ";") {
        globals.push_back(t[i]);
        i += 2;
    }
    ok = ok && !globals.empty() && take("local") && take(":") && take("*") && take(";") && take("}") && take(";") &&
         i == t.size();
    if (!ok) {
        *error = "not a version script of one anonymous node with global and local lists";
        return {};
    }
    return globals;
}

}  // namespace exports
