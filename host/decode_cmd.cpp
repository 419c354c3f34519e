// vesk decode FILE [--raw] [--records-only] [--offsets] [--png DIR]: lists a
// device stream and checks every byte of it; with --png, each page's drawing
// is replayed into a picture DIR/page-N.png.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "commands.h"
#include "decode/listing.h"
#include "decode/replay.h"
#include "page_png.h"

namespace vesk::host {

int cmdDecode(const Args& args) {
    std::string file;
    decode::StreamOptions stream;
    decode::ListingOptions listing;
    std::string pngDir;
    bool wantDir = false;
    for (const std::string& w : args.words) {
        if (wantDir) {
            pngDir = w;
            wantDir = false;
        } else if (w == "--png") wantDir = true;
        else if (w == "--raw") stream.scanRaw = true;
        else if (w == "--records-only") listing.recordsOnly = true;
        else if (w == "--offsets") listing.offsets = true;
        else if (!w.empty() && w[0] == '-') return fail("decode: unknown option '" + w + "'");
        else if (file.empty()) file = w;
        else return fail("decode takes one file");
    }
    if (wantDir || (!pngDir.empty() && pngDir[0] == '-')) return fail("decode: --png needs a folder");
    if (file.empty())
        return fail("decode needs a file: vesk decode FILE [--raw] [--records-only] [--offsets] [--png DIR]");
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail("cannot open " + file);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return fail("cannot read " + file);
    decode::Summary summary;
    const std::string text = decode::listStream(bytes, stream, listing, &summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!summary.ok) return fail(summary.error.text());
    if (!pngDir.empty()) {
        const decode::ReplayResult rep = decode::replayStream(bytes);
        if (!rep.ok) return fail("decode --png: " + rep.error);
        for (size_t i = 0; i < rep.pages.size(); ++i) {
            std::string why;
            const std::string out = pngDir + "/page-" + std::to_string(i + 1) + ".png";
            if (!writePng(out, rep.pages[i], &why)) return fail("decode --png: " + why);
            std::printf("%s: %ux%u\n", out.c_str(), rep.pages[i].width, rep.pages[i].height);
        }
    }
    return 0;
}

}  // namespace vesk::host
