// A user-code provider for the tests of the provider path: it answers the
// machine settings "ucprovider.result" (default 0) and "ucprovider.code"
// (the client's code, default empty), and records its calls in the journal.
#include <winsim/winsim.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/sim.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT DWORD MUCOpenUCDataA(DWORD, DWORD, DWORD, HANDLE* conn) {
    winsim::detail::enter("MUCOpenUCDataA");
    if (conn) *conn = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5543));
    return 0;
}

EXPORT DWORD MUCGetClientUserCodeA(HANDLE, DWORD, DWORD, DWORD, char* buffer, DWORD* length) {
    winsim::detail::enter("MUCGetClientUserCodeA");
    const std::string code = winsim::config().get("ucprovider.code").value_or("");
    const DWORD result = static_cast<DWORD>(std::strtoul(winsim::config().get("ucprovider.result").value_or("0").c_str(), nullptr, 0));
    if (buffer && length && *length) {
        const size_t n = code.size() < *length - 1 ? code.size() : *length - 1;
        std::memcpy(buffer, code.data(), n);
        buffer[n] = 0;
    }
    return result;
}

EXPORT DWORD MUCCloseUCDataA(HANDLE, DWORD) {
    winsim::detail::enter("MUCCloseUCDataA");
    return 0;
}
