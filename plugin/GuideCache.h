// The process-wide cache of loaded guides, keyed by the host's guide string.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "path/PathParser.h"

/// Guide string bytes -> owned parser. Not locked: the host calls the drawing entry points from
/// one thread at a time.
using GuideCache = std::unordered_map<std::string, std::unique_ptr<PathParser>>;

/// The cache itself; created empty on first use, destroyed when the library unloads.
GuideCache& Guides();

/// Returns the cached guide for `name`, reading it on a miss. Null if it could not be built.
PathParser* FindOrLoadGuide(const char* name);
