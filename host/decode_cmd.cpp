// vesk decode FILE [--raw] [--records-only] [--offsets]: lists a device
// stream and checks every byte of it.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "commands.h"
#include "decode/listing.h"

namespace vesk::host {

int cmdDecode(const Args& args) {
    std::string file;
    decode::StreamOptions stream;
    decode::ListingOptions listing;
    for (const std::string& w : args.words) {
        if (w == "--raw") stream.scanRaw = true;
        else if (w == "--records-only") listing.recordsOnly = true;
        else if (w == "--offsets") listing.offsets = true;
        else if (!w.empty() && w[0] == '-') return fail("decode: unknown option '" + w + "'");
        else if (file.empty()) file = w;
        else return fail("decode takes one file");
    }
    if (file.empty()) return fail("decode needs a file: vesk decode FILE [--raw] [--records-only] [--offsets]");
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail("cannot open " + file);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return fail("cannot read " + file);
    decode::Summary summary;
    const std::string text = decode::listStream(bytes, stream, listing, &summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!summary.ok) return fail(summary.error.text());
    return 0;
}

}  // namespace vesk::host
