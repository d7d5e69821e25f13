// The guide cache g_guides and its lookup.
#include "plugin/GuideCache.h"

#include "platform/TextConversion.h"

namespace {

GuideCache MakeGuideCache() {
    GuideCache cache;
    cache.max_load_factor(1.0f);
    return cache;
}

GuideCache g_guides = MakeGuideCache();

}  // namespace

GuideCache& Guides() {
    return g_guides;
}

PathParser* FindOrLoadGuide(const char* name) {
    std::string key(name);
    auto found = g_guides.find(key);
    if (found != g_guides.end()) {
        return found->second.get();
    }
    // If building the parser throws, nothing is stored.
    auto parser = std::make_unique<PathParser>(Utf8ToUtf16(key));
    PathParser* result = parser.get();
    g_guides.emplace(std::move(key), std::move(parser));
    return result;
}
