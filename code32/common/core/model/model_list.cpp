// The process-wide list of compiled models: each image once per data-file
// name, shared by every context of the process and freed at detach.
#include <cstring>
#include <mutex>

#include "core/model/cache.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

struct ModelNode {
    ModelNode* next;
    MdlImage* image;
    bool keyed;                 // false: kept for freeing, never found
    WCHAR key[kMdlKeyChars];
};

struct ModelList {
    uint32_t count = 0;
    ModelNode* head = nullptr;
    ModelNode* tail = nullptr;
};

ModelList g_list;
// The named mutex guards the list between processes and threads; this lock
// keeps the nodes whole within the process also when the mutex could not be
// had (or a caller only claimed to hold it).
std::mutex g_listLock;

// Paths are bounded well beyond MAX_PATH so a text without its NUL ends.
constexpr size_t kLongestPath = 32767;

bool keyOf(const WCHAR* path, WCHAR (&key)[kMdlKeyChars]) {
    size_t n = WLenMax(path, kLongestPath + 1);
    if (!path || n < kMdlKeyMinPathChars || n > kLongestPath) return false;
    std::memcpy(key, path + n - kMdlKeyMinPathChars, sizeof key);
    return true;
}

}  // namespace

const MdlImage* MdlCacheFind(const WCHAR* path) {
    WCHAR key[kMdlKeyChars];
    if (!keyOf(path, key)) return nullptr;
    std::lock_guard<std::mutex> hold(g_listLock);
    for (ModelNode* n = g_list.head; n; n = n->next)
        if (n->keyed && std::memcmp(n->key, key, sizeof key) == 0) return n->image;
    return nullptr;
}

int MdlCacheAdd(MdlImage* image, const WCHAR* path) {
    if (!image) return 0;
    auto* node = static_cast<ModelNode*>(MemAllocZero(sizeof(ModelNode)));
    if (!node) return 0;
    node->image = image;
    node->keyed = keyOf(path, node->key);
    std::lock_guard<std::mutex> hold(g_listLock);
    if (g_list.tail) g_list.tail->next = node;
    else g_list.head = node;
    g_list.tail = node;
    ++g_list.count;
    return 1;
}

void MdlCacheFreeAll() {
    ModelNode* n;
    {
        std::lock_guard<std::mutex> hold(g_listLock);
        n = g_list.head;
        g_list = ModelList{};
    }
    while (n) {
        ModelNode* next = n->next;
        MdlImageFree(n->image);
        MemFree(n);
        n = next;
    }
}

uint32_t MdlCacheCount() {
    std::lock_guard<std::mutex> hold(g_listLock);
    return g_list.count;
}

void MdlReleaseStub(const MdlImage*) {}

}  // namespace vesk
