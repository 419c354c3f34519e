// vesk printer deploy | revalidate: the driver's default presets and quality
// files. deploy runs the deployment a printer's install runs (and, unless
// --redeploy, the one-time registration that follows it); revalidate checks
// the preset list against the model's options as they are now.
#include <iostream>

#include <winsim/winsim.h>

#include "commands.h"
#include "core/deploy/deploy.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/wstr.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

std::string iniValue(DrvContext* c, const WCHAR* key) {
    WCHAR v[kWsPathChars] = {};
    IniGetString(c->ws->printerName, key, u"", v, kWsPathChars, GetIniFilePath(c));
    return u8(v);
}

void listPresets(DrvContext* c) {
    const int n = GetPresetCount(c);
    std::cout << "presets (" << n << ")\n";
    for (int i = 0; i < n && i < kPresetSlots; ++i) {
        WCHAR key[kListKeyChars];
        const std::string path = iniValue(c, FormatPresetKey(key, i, 0));
        std::cout << "  " << i << "  \"" << iniValue(c, FormatPresetKey(key, i, 1)) << "\"  \""
                  << iniValue(c, FormatPresetKey(key, i, 2)) << "\"  " << path << "\n";
    }
}

void listQualities(DrvContext* c) {
    const int n = GetQualityCount(c);
    std::cout << "qualities (" << n << ")\n";
    for (int i = 0; i < n; ++i) {
        WCHAR key[kListKeyChars];
        FormatQualityKey(key, i);
        WCHAR nameKey[kListKeyChars + 4] = {};
        WCopyCut(nameKey, kListKeyChars, key);
        WAppendWhole(nameKey, kListKeyChars + 4, u"Name");
        std::cout << "  " << i << "  \"" << iniValue(c, nameKey) << "\"  " << iniValue(c, key) << "\n";
    }
}

// Each entry of the bundle: where it went and its rsr copy.
void listEntries(DrvContext* c, const WCHAR* bundle, const char* stem, const WCHAR* countKey) {
    const int n = static_cast<int>(IniGetInt(GetLangCode(c), countKey, 0, bundle));
    for (int i = 1; i <= n && i <= 0xFFFE; ++i) {
        const std::u16string key = winsim::fromUtf8(stem + std::to_string(i));
        WCHAR path[kWsPathChars] = {}, rsr[kWsPathChars] = {};
        IniGetString(GetLangCode(c), key.c_str(), u"", path, kWsPathChars, bundle);
        const std::string written = u8(path);
        if (!ExpandInstallPathChecked(path, kWsPathChars, c)) {
            std::cout << "  " << written << "  (cannot be expanded)\n";
            continue;
        }
        MakeUserRsrPath(c, path, rsr, kWsPathChars);
        std::cout << "  " << written << " -> " << u8(path) << (FileExists(path) ? "" : "  (missing)") << "\n    copy "
                  << u8(rsr) << (FileExists(rsr) ? "" : "  (missing)") << (CondEvaluate(path, c) ? "" : "  conditions fail")
                  << (PresetIsEnabled(path, c) ? "" : "  disabled for this driver") << "\n";
    }
}

int deploy(const Args& args, const std::vector<std::string>& words, bool redeploy) {
    if (words.size() != 2) return fail("usage: vesk printer deploy NAME [--redeploy]");
    std::string error;
    const auto pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    WCHAR bundle[kWsPathChars] = {};
    if (!GetDefaultRstName(c, bundle, kWsPathChars) || !IsBundleFile(bundle))
        std::cout << "the model names no default bundle for language '" << u8(GetLangCode(c)) << "'\n";
    if (!InstallDeployPresetFiles(c, redeploy ? kDeployAgain : 0)) return fail("the deployment ran out of memory");
    if (!redeploy) InstallDefaultRstOnce(0, 1, c);
    if (bundle[0]) {
        std::cout << "bundle " << u8(bundle) << "\npresets of the bundle:\n";
        listEntries(c, bundle, "Deficonfiles", u"NumDeficonfiles");
        std::cout << "quality files of the bundle:\n";
        listEntries(c, bundle, "Defqualityfiles", u"NumDefqualityfiles");
    }
    std::cout << u8(GetBatchInstallDoneKey()) << "=" << iniValue(c, GetBatchInstallDoneKey()) << "\n";
    listPresets(c);
    listQualities(c);
    return 0;
}

int revalidate(const Args& args, const std::vector<std::string>& words) {
    if (words.size() != 2) return fail("usage: vesk printer revalidate NAME");
    std::string error;
    const auto pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    const int before = GetPresetCount(c);
    const int result = PresetsRevalidate(c, 0);
    if (!result) {
        std::cout << "nothing revalidated (the printer's section names no default bundle, or an entry cannot be read)\n";
    } else {
        std::cout << "revalidated: " << before << " presets before, " << GetPresetCount(c) << " now\n";
    }
    listPresets(c);
    return 0;
}

}  // namespace

int printerDeploy(const Args& args) {
    std::vector<std::string> words;
    bool redeploy = false;
    for (const std::string& a : args.words) {
        if (a == "--redeploy") redeploy = true;
        else if (a.rfind("--", 0) == 0) return fail("unknown option '" + a + "'");
        else words.push_back(a);
    }
    if (words.empty()) return fail("usage: vesk printer deploy NAME [--redeploy] | revalidate NAME");
    if (words[0] == "revalidate") {
        if (redeploy) return fail("usage: vesk printer revalidate NAME");
        return revalidate(args, words);
    }
    return deploy(args, words, redeploy);
}

}  // namespace vesk::host
