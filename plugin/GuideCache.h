// The process-wide cache of loaded guides, keyed by the host's guide string.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "path/PathParser.h"

/// Guide string bytes -> parsed guide. Runs never walk a cached guide: each takes its own copy,
/// so calls from several threads share nothing but this map, which a lock guards.
using GuideCache = std::unordered_map<std::string, std::shared_ptr<const PathParser>>;

/// The cache itself, for inspection while no call runs; created empty on first use.
GuideCache& Guides();

/// The cached guide for `name`, read on a miss; null if it could not be built. Thread-safe. The
/// guide stays alive while the caller holds it, even if the cache is cleared meanwhile.
std::shared_ptr<const PathParser> FindOrLoadGuide(const char* name);

/// Forgets every cached guide. Thread-safe.
void ClearGuides();
