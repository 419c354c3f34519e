// The text model behind the profile (INI) functions: a file as a list of
// lines that keep their original bytes, each with its parsed meaning, so an
// edit rewrites only the lines it touches.
#pragma once
#include <win/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winsim::detail::ini {

enum class LineKind {
    Blank,    // nothing but blanks
    Comment,  // first non-blank character ';'
    Section,  // "[name]"
    Entry,    // "key=value"
    Bare,     // other text: no '=' (kept, listed by the section reader, never a key)
};

struct Line {
    std::string raw;  // bytes as stored, line terminator included
    LineKind kind = LineKind::Blank;
    std::u16string name;   // section name or key, blanks trimmed; the trimmed text of a Bare line
    std::u16string value;  // value with blanks trimmed, quotes kept
};

// Blanks that surround keys, values and section names.
bool isBlank(char16_t c);
std::u16string_view trim(std::u16string_view s);
std::u16string_view trimRight(std::u16string_view s);
// A value as the readers return it: one pair of matching surrounding quotes
// (double or single) removed.
std::u16string_view unquote(std::u16string_view value);

class Document {
public:
    // Parses file bytes: UTF-16LE when they start with its byte-order mark,
    // else text in code page `codePage`.
    static Document parse(std::string_view bytes, UINT codePage);
    std::string serialize() const;

    const std::vector<Line>& lines() const { return lines_; }

    // Index of the header of the first section of that name.
    std::optional<size_t> findSection(std::u16string_view name) const;
    // Index one past the section's last line (the next header or the end).
    size_t sectionEnd(size_t header) const;
    // Index of the first "key=" line of the section.
    std::optional<size_t> findKey(size_t header, std::u16string_view key) const;
    // Names in file order, each once (first spelling); empty names skipped.
    std::vector<std::u16string> sectionNames() const;
    std::vector<std::u16string> keyNames(size_t header) const;
    // Entries of a section as the section reader returns them.
    std::vector<std::u16string> sectionEntries(size_t header) const;

    // Edits. Lines they do not touch keep their bytes; new lines end in CR LF.
    // Sets the first "key=" line of the first section of that name, or adds
    // the key after the section's last entry, or the section at the end.
    void setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    // Removes every line of that key from the first section of that name.
    void deleteKey(std::u16string_view section, std::u16string_view key);
    // Removes every section of that name with all its lines.
    void deleteSection(std::u16string_view section);
    // Replaces the content of the first section of that name (entries,
    // comments and other text up to its last non-blank line) with `entries`,
    // one line each; adds the section at the end when missing.
    void replaceSection(std::u16string_view section, const std::vector<std::u16string>& entries);

private:
    Line makeLine(std::u16string_view text) const;  // encoded, CR LF appended
    void ensureTerminated(size_t index);
    void insert(size_t at, Line line);
    size_t appendSection(std::u16string_view section);
    size_t lastLineOf(size_t header, bool entriesOnly) const;
    size_t terminatorSize(const std::string& raw) const;

    bool utf16_ = false;
    UINT codePage_ = 1252;
    std::string bom_;
    std::vector<Line> lines_;
};

}  // namespace winsim::detail::ini
