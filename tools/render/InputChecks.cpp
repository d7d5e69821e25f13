// Reading preset and guide files by the library's rules, to tell where they are not followed.
#include "render/InputChecks.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "render/DataFolders.h"
#include "render/RenderSettings.h"

namespace {

// The sections of the preset keys, as the library's reader looks them up.
const std::map<std::string, std::vector<std::string>> kSections = {
    {"guide", {"type", "p1", "p2", "p3", "name", "curvature"}},
    {"pen", {"size", "hardness", "fluction", "in", "out", "asdist", "easing"}},
    {"line",
     {"position", "posfluct", "length", "lenfluct", "spacing", "spcfluct", "lengain", "spcgain",
      "connect"}},
};

std::string SectionOf(const std::string& key) {
    for (const auto& [section, keys] : kSections) {
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
            return section;
        }
    }
    return std::string();
}

// White space as the C locale has it; bytes from 0x80 on are never removed.
std::string Trim(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ReadFile(const std::string& path, int* error) {
    std::ifstream in(path, std::ios::binary);
    *error = in ? 0 : errno;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Listing(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text;
}

// What the path data d gives the reader: only M, L, C and Q are read, one set of points each.
std::string PathDataProblem(const std::string& d) {
    const auto skip = [&](size_t i) {
        while (i < d.size() && (d[i] == ' ' || d[i] == ',')) {
            ++i;
        }
        return i;
    };
    std::vector<std::string> skipped;
    bool drawn = false, read = false, dropped = false;
    for (size_t i = skip(0); i < d.size(); i = skip(i)) {
        const char c = d[i++];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            continue;
        }
        const char upper = char(std::toupper(static_cast<unsigned char>(c)));
        const int points = upper == 'M' || upper == 'L' ? 1
                           : upper == 'C'               ? 3
                           : upper == 'Q'               ? 2
                                                        : 0;
        if (points == 0) {
            if (std::find(skipped.begin(), skipped.end(), std::string(1, upper)) == skipped.end()) {
                skipped.emplace_back(1, upper);
            }
            continue;
        }
        read = true;
        drawn = drawn || upper != 'M';
        for (int n = 0; n < 2 * points; ++n) {
            i = skip(i);
            const size_t start = i;
            i += i < d.size() && (d[i] == '+' || d[i] == '-');
            bool digit = false;
            for (; i < d.size() && (std::isdigit(static_cast<unsigned char>(d[i])) || d[i] == '.');
                 ++i) {
                digit = digit || d[i] != '.';
            }
            if (!digit) {
                return "its path breaks off inside its " + std::string(1, c) +
                       " command (a number is missing at character " + std::to_string(start + 1) +
                       ")";
            }
            if (i < d.size() && (d[i] == 'e' || d[i] == 'E')) {
                i += 1 + (i + 1 < d.size() && (d[i + 1] == '+' || d[i + 1] == '-'));
                while (i < d.size() && std::isdigit(static_cast<unsigned char>(d[i]))) {
                    ++i;
                }
            }
        }
        const size_t next = skip(i);
        dropped =
            dropped || (next < d.size() && !std::isalpha(static_cast<unsigned char>(d[next])));
    }
    const std::string skips =
        skipped.empty() ? std::string() : " (its " + Listing(skipped) + " commands are not read)";
    if (!read) {
        return "its path has no M, L, C or Q command" + skips;
    }
    if (!drawn) {
        return "its path has nothing but moves" + skips + ", so no line is drawn";
    }
    if (!skipped.empty()) {
        return "only M, L, C and Q are read" + skips + ", so the shape differs";
    }
    if (dropped) {
        return "numbers after a command's own points are dropped (write the letter again, as in "
               "L 1 2 L 3 4), so the shape differs";
    }
    return std::string();
}

}  // namespace

std::vector<PresetKeyProblem> FindPresetProblems(const std::string& text,
                                                 const MoveEffectIniReadFlag& flags) {
    std::vector<PresetKeyProblem> problems;
    std::map<std::string, PresetKeyProblem> lastOfKey;
    std::string section;
    int number = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t feed = std::min(text.find('\n', start), text.size());
        const std::string line = Trim(text.substr(start, feed - start));
        start = feed + 1;
        ++number;
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        const size_t close = line.find(']');
        if (line[0] == '[') {
            section = close == std::string::npos ? section : Trim(line.substr(1, close - 1));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        PresetKeyProblem problem{number, line, std::string(), Trim(line.substr(0, equals))};
        const std::string home = SectionOf(problem.key);
        if (kSections.count(section) == 0) {
            problem.reason = "is not under [guide], [pen] or [line]";
        } else if (home == section) {
            lastOfKey[problem.key] = problem;
            continue;
        } else if (!home.empty()) {
            problem.reason = "belongs under [" + home + "]";
        } else if (!SectionOf(Lower(problem.key)).empty()) {
            problem.reason = "is not a key: keys are lower case";
        } else {
            problem.reason = "is not a key of [" + section + "]";
        }
        problem.key.clear();
        problems.push_back(problem);
    }
    for (auto& [key, problem] : lastOfKey) {
        if (!ReadFlagOf(flags, key)) {
            problem.reason = ExpectedValueOf(key);
            problems.push_back(problem);
        }
    }
    std::sort(problems.begin(), problems.end(),
              [](const PresetKeyProblem& a, const PresetKeyProblem& b) { return a.line < b.line; });
    return problems;
}

std::string FindGuideProblem(const std::string& name) {
    if (IsBuiltInGuide(name)) {
        return std::string();
    }
    const std::string folder = GuideFolder();
    const std::string path = folder + name + ".svg";
    const std::string fallback = "; the straight line :S is drawn instead";
    int error = 0;
    const std::string text = ReadFile(path, &error);
    if (error == ENOENT) {
        for (const std::string& other : ListNames(folder, ".svg")) {
            if (strcasecmp(other.c_str(), name.c_str()) == 0) {
                return "guide '" + name + "' not found: there is " + folder + other +
                       ".svg, but the name must match in letter case" + fallback;
            }
        }
        return "guide '" + name + "' not found (" + path + ")" + fallback;
    }
    if (error != 0 || text.empty()) {
        return "guide '" + name + "': " + path +
               (error != 0 ? " cannot be read: " + std::string(std::strerror(error))
                           : " is empty") +
               fallback;
    }
    const std::string prefix = "guide '" + name + "': " + path + ": ";
    // The reader takes the first tag that mentions "path" anywhere.
    for (size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open)) {
        const size_t close = text.find('>', open);
        if (close == std::string::npos) {
            break;
        }
        const std::string tag = text.substr(open + 1, close - open - 1);
        open = close;
        if (tag.find("path") == std::string::npos) {
            continue;
        }
        static const std::regex attribute("([a-zA-Z]*?)=\"(.*?)\"");
        std::string d;
        bool haveD = false;
        for (std::sregex_iterator it(tag.begin(), tag.end(), attribute), end; it != end; ++it) {
            if ((*it)[1] == "d") {
                d = (*it)[2];
                haveD = true;
            }
        }
        if (!haveD || d.empty()) {
            return prefix + "the first tag that mentions 'path' has " +
                   (haveD ? "an empty d attribute" : "no d=\"...\" attribute") + fallback;
        }
        const std::string problem = PathDataProblem(d);
        if (problem.find("no M, L, C or Q") != std::string::npos) {
            return prefix + problem + fallback;
        }
        return problem.empty() ? std::string() : prefix + problem;
    }
    std::vector<std::string> shapes;
    for (const char* shape : {"polyline", "polygon", "line", "rect", "circle", "ellipse"}) {
        if (text.find("<" + std::string(shape)) != std::string::npos) {
            shapes.push_back("<" + std::string(shape) + ">");
        }
    }
    return prefix + "no <path> element" +
           (shapes.empty() ? std::string() : " (" + Listing(shapes) + " are not read)") + fallback;
}
