// The guide cache g_guides, its lock and its lookup.
#include "plugin/GuideCache.h"

#include <mutex>

#include "platform/TextConversion.h"

namespace {

GuideCache MakeGuideCache() {
    GuideCache cache;
    cache.max_load_factor(1.0f);
    return cache;
}

GuideCache g_guides = MakeGuideCache();
std::mutex g_guidesLock;

}  // namespace

GuideCache& Guides() {
    return g_guides;
}

std::shared_ptr<const PathParser> FindOrLoadGuide(const char* name) {
    std::string key(name);
    // Reading a guide file under the lock keeps one parse per name; guides are small.
    std::lock_guard<std::mutex> lock(g_guidesLock);
    auto found = g_guides.find(key);
    if (found != g_guides.end()) {
        return found->second;
    }
    // If building the parser throws, nothing is stored.
    auto parser = std::make_shared<const PathParser>(Utf8ToUtf16(key));
    g_guides.emplace(std::move(key), parser);
    return parser;
}

void ClearGuides() {
    GuideCache released;
    {
        std::lock_guard<std::mutex> lock(g_guidesLock);
        released.swap(g_guides);
    }
    // The guides no run holds are freed here, outside the lock.
}
