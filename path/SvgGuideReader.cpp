// The SVG guide reader: the first path element's d and transform become the guide.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <sstream>

#include "path/PathParser.h"
#include "platform/CLocaleNumbers.h"
#include "platform/FileUtil.h"
#include "preset/PluginDataFolders.h"

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsFinitePoint(const PathPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Finds the next occurrence of a byte at or after a position, for positions that only grow,
// so a whole scan costs time linear in the text.
class ForwardFinder {
  public:
    ForwardFinder(const std::string& text, char wanted) : text_(text), wanted_(wanted) {}
    size_t From(size_t position) {
        if (found_ != std::string::npos && found_ >= position) {
            return found_;
        }
        size_t from = position > scanned_ ? position : scanned_;
        found_ = text_.find(wanted_, from);
        scanned_ = found_ == std::string::npos ? text_.size() : found_;
        return found_;
    }

  private:
    const std::string& text_;
    char wanted_;
    size_t found_ = std::string::npos;
    size_t scanned_ = 0;
};

// Reads one number of a d value as the reader's tokenizer defines it. False when the token does
// not convert (empty, a lone sign, or out of the range of a double, underflow included).
bool ReadNumber(const std::string& text, size_t& i, double& value) {
    const size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == ',')) {
        ++i;
    }
    const size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    while (i < n && ((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) {
        ++i;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
    }
    // The longest valid prefix of the token counts; the rest of it is consumed and lost.
    const std::string token = text.substr(start, i - start);
    char* end = nullptr;
    errno = 0;
    value = StrtodC(token.c_str(), &end);
    return end != token.c_str() && errno != ERANGE;
}

}  // namespace

void PathParser::LoadFromFile(const std::u16string& name) {
    if (name == u":S") {
        CreateLine();
        return;
    }
    if (name == u":C") {
        CreateCurve();
        return;
    }
    const std::string text = ReadAllText(GetPluginDataPath(name, false));
    if (text.empty() || !Parse(text) || !IsUsable()) {
        CreateLine();
    }
}

bool PathParser::IsUsable() const {
    if (!std::isfinite(pathWidth)) {
        return false;
    }
    for (const PathSegment& segment : segments) {
        for (const PathPoint& p : segment.points) {
            if (!IsFinitePoint(p)) {
                return false;
            }
        }
    }
    return true;
}

bool PathParser::Parse(const std::string& text) {
    segments.clear();
    size_t position = 0;
    for (;;) {
        const size_t open = text.find('<', position);
        if (open == std::string::npos) {
            break;
        }
        const size_t close = text.find('>', open + 1);
        if (close == std::string::npos) {
            break;
        }
        const std::string tag = text.substr(open + 1, close - open - 1);
        if (tag.find("path") != std::string::npos) {
            ParsePath(tag);
            break;
        }
        position = close + 1;
    }
    return !segments.empty();
}

std::map<std::string, std::string> PathParser::ParseAttributes(const std::string& tag) {
    // Finds the same matches, leftmost first, as searching for ([a-zA-Z]*?)="(.*?)" with an
    // ECMAScript matcher, where "." is any byte but a line feed or carriage return; written by
    // hand so a long tag costs linear time and no recursion.
    std::map<std::string, std::string> attributes;
    const size_t n = tag.size();
    ForwardFinder quotes(tag, '"');
    ForwardFinder feeds(tag, '\n');
    ForwardFinder returns(tag, '\r');
    // Whether an attribute whose name ends at k matches; sets the closing quote.
    auto matchesAt = [&](size_t k, size_t& closing) {
        if (k + 1 >= n || tag[k] != '=' || tag[k + 1] != '"') {
            return false;
        }
        closing = quotes.From(k + 2);
        if (closing == std::string::npos) {
            return false;
        }
        const size_t feed = feeds.From(k + 2);
        const size_t ret = returns.From(k + 2);
        return (feed == std::string::npos || feed > closing) &&
               (ret == std::string::npos || ret > closing);
    };
    size_t s = 0;
    while (s < n) {
        size_t k = s;
        while (k < n && IsAsciiLetter(tag[k])) {
            ++k;
        }
        size_t closing = 0;
        if (matchesAt(k, closing)) {
            attributes[tag.substr(s, k - s)] = tag.substr(k + 2, closing - k - 2);
            s = closing + 1;
        } else {
            // Every start inside the run of letters reaches the same k, so all of them fail.
            s = k > s ? k : s + 1;
        }
    }
    return attributes;
}

void PathParser::ParsePath(const std::string& tag) {
    const std::map<std::string, std::string> attributes = ParseAttributes(tag);
    Transform transform;
    const auto transformValue = attributes.find("transform");
    if (transformValue != attributes.end()) {
        transform = ParseTransform(transformValue->second);
    }
    const auto dValue = attributes.find("d");
    if (dValue == attributes.end()) {
        return;
    }
    const std::string& d = dValue->second;
    if (d.empty()) {
        pathWidth = 0.0;
        return;
    }

    size_t i = 0;
    double cx = 0.0;
    double cy = 0.0;
    double minX = 0.0;
    double maxX = 0.0;
    bool anyPoint = false;
    const size_t n = d.size();
    for (;;) {
        while (i < n && (d[i] == ' ' || d[i] == ',')) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const char letter = d[i++];
        if (!IsAsciiLetter(letter)) {
            continue;
        }
        const bool relative = letter >= 'a' && letter <= 'z';
        PathSegment segment;
        int pointCount = 0;
        switch (relative ? static_cast<char>(letter - 'a' + 'A') : letter) {
            case 'M':
                segment.kind = PathSegment::kMove;
                pointCount = 1;
                break;
            case 'L':
                segment.kind = PathSegment::kLine;
                pointCount = 1;
                break;
            case 'C':
                segment.kind = PathSegment::kCubic;
                pointCount = 3;
                break;
            case 'Q':
                segment.kind = PathSegment::kQuadratic;
                pointCount = 2;
                break;
            default:
                continue;  // unsupported commands; their numbers are passed over one by one
        }
        PathPoint last = {0.0, 0.0};
        bool complete = true;
        for (int k = 0; k < pointCount; ++k) {
            double x = 0.0;
            double y = 0.0;
            if (!ReadNumber(d, i, x) || !ReadNumber(d, i, y)) {
                complete = false;
                break;
            }
            if (relative) {
                x += cx;
                y += cy;
            }
            if (segments.empty()) {
                minX = x;
                maxX = x;
            } else {
                minX = x < minX ? x : minX;
                maxX = x > maxX ? x : maxX;
            }
            anyPoint = true;
            segment.points.push_back(ApplyTransform(transform, {x, y}));
            last = {x, y};
        }
        if (!complete) {
            // A number that does not convert drops its command and ends the reading; what
            // was read before it stays.
            break;
        }
        cx = last.x;
        cy = last.y;
        Append(segment);
    }
    pathWidth = anyPoint ? maxX - minX : 0.0;
}

PathParser::Transform PathParser::ParseTransform(const std::string& value) {
    Transform t;
    if (value.size() < 6) {
        return t;
    }
    const bool matrix = value.find("matrix") != std::string::npos;
    if (!matrix && !(value.size() >= 9 && value.find("translate") != std::string::npos)) {
        return t;
    }
    const size_t open = value.find('(');
    const size_t close = value.find(')');
    if (open == std::string::npos || close == std::string::npos) {
        return t;
    }
    // A ")" before the "(" leaves the rest of the value, as a plain substring would.
    std::istringstream fields(close > open ? value.substr(open + 1, close - open - 1)
                                           : value.substr(open + 1));
    fields.imbue(std::locale::classic());
    // A field that does not read becomes 0 and stops the reading; fields after it, and fields
    // past the end of the text, keep their identity values.
    if (matrix) {
        fields >> t.a >> t.b >> t.c >> t.d >> t.e >> t.f;
    } else {
        fields >> t.e >> t.f;
    }
    return t;
}

PathPoint PathParser::ApplyTransform(const Transform& t, const PathPoint& p) {
    return {t.a * p.x + t.c * p.y + t.e, t.b * p.x + t.d * p.y + t.f};
}
