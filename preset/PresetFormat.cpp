// The preset file text: the writers, the table-driven reader and the value parsers.
#include "preset/PresetFormat.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <locale>
#include <unordered_map>

#include "platform/CLocaleNumbers.h"
#include "preset/PresetKeys.h"

namespace ini {
namespace {

constexpr char kWhiteSpace[] = " \t\n\v\f\r";

enum class ValueKind { Integer = 1, Number = 2, String = 3, Point = 4, Flag = 5, PathType = 6 };

// One key of the reader table: what to parse and where the value and its flag go.
struct IniValue {
    ValueKind kind;
    void* field;
    uint8_t* flag;
};

using SectionTable = std::unordered_map<std::string, IniValue>;
using ReaderTable = std::unordered_map<std::string, SectionTable>;

ReaderTable MakeReaderTable(MoveEffectIniParam* p, MoveEffectIniReadFlag* f) {
    using K = ValueKind;
    return ReaderTable{
        {cGuide,
         {
             {cPathType, {K::PathType, &p->type, &f->type}},
             {cPoint1, {K::Point, &p->p1, &f->p1}},
             {cPoint2, {K::Point, &p->p2, &f->p2}},
             {cPoint3, {K::Point, &p->p3, &f->p3}},
             {cGuideName, {K::String, &p->name, &f->name}},
             {cCurvature, {K::Number, &p->curvature, &f->curvature}},
         }},
        {cPen,
         {
             {cPenSize, {K::Number, &p->size, &f->size}},
             {cPenHard, {K::Number, &p->hardness, &f->hardness}},
             {cPenFluct, {K::Number, &p->fluction, &f->fluction}},
             {cPenIn, {K::Integer, &p->in, &f->in}},
             {cPenOut, {K::Integer, &p->out, &f->out}},
             {cPenDist, {K::Flag, &p->asdist, &f->asdist}},
             {cPenEase, {K::Flag, &p->easing, &f->easing}},
         }},
        {cLine,
         {
             {cLinePos, {K::Integer, &p->position, &f->position}},
             {cLinePosFluct, {K::Number, &p->posfluct, &f->posfluct}},
             {cLineLen, {K::Integer, &p->length, &f->length}},
             {cLineLenFluct, {K::Number, &p->lenfluct, &f->lenfluct}},
             {cLineSpace, {K::Integer, &p->spacing, &f->spacing}},
             {cLineSpaceFluct, {K::Number, &p->spcfluct, &f->spcfluct}},
             {cLineLenGain, {K::Number, &p->lengain, &f->lengain}},
             {cLineSpaceGain, {K::Number, &p->spcgain, &f->spcgain}},
             {cLineConnect, {K::Flag, &p->connect, &f->connect}},
         }},
    };
}

bool ParseValue(const IniValue& entry, const std::string& value) {
    switch (entry.kind) {
        case ValueKind::Integer:
            return GetIniInteger(value, static_cast<int*>(entry.field));
        case ValueKind::Number:
            return GetIniDouble(value, static_cast<double*>(entry.field));
        case ValueKind::String:
            return GetIniString(value, *static_cast<char(*)[264]>(entry.field));
        case ValueKind::Point:
            return GetIniPoint(value, static_cast<PathPoint*>(entry.field));
        case ValueKind::Flag:
            return GetIniBool(value, static_cast<unsigned char*>(entry.field));
        case ValueKind::PathType:
            return GetIniPath(value, static_cast<int*>(entry.field));
    }
    return false;
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

const char* PathTypeWord(int type) {
    switch (type) {
        case VELTRIX_TYPE_RADIATE:
            return cPathTypeRadiate;
        case VELTRIX_TYPE_PARALLEL:
            return cPathTypeParallel;
        case VELTRIX_TYPE_CIRCLE:
            return cPathTypeCircle;
        default:
            return "";
    }
}

}  // namespace

std::string _dtos(double value, int decimals) {
    std::string text = FormatFixedC(value, decimals);
    // Only a fractional part loses its zeros ("100" stays; so do "inf" and "nan").
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

void trim(std::string& text) {
    const size_t last = text.find_last_not_of(kWhiteSpace);
    if (last == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(kWhiteSpace));
}

bool GetIniInteger(const std::string& value, int* destination) {
    const char* start = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long number = StrtolC(start, &end);
    if (end == start || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    *destination = static_cast<int>(number);
    return true;
}

bool GetIniDouble(const std::string& value, double* destination) {
    const char* start = value.c_str();
    char* end = nullptr;
    errno = 0;
    const double number = StrtodC(start, &end);
    if (end == start || errno == ERANGE) {
        return false;
    }
    *destination = number;
    return true;
}

bool GetIniPoint(const std::string& value, PathPoint* destination) {
    const size_t comma = value.find(',');
    if (value.empty() || comma == std::string::npos) {
        return false;
    }
    if (!GetIniDouble(value.substr(0, comma), &destination->x)) {
        return false;
    }
    return GetIniDouble(value.substr(comma + 1), &destination->y);
}

bool GetIniBool(const std::string& value, unsigned char* destination) {
    const std::string word = AsciiLower(value);
    if (word == "1" || word == "true") {
        *destination = 1;
    } else if (word == "0" || word == "false") {
        *destination = 0;
    } else {
        return false;
    }
    return true;
}

bool GetIniPath(const std::string& value, int* destination) {
    const std::string word = AsciiLower(value);
    if (word == cPathTypeCircle) {
        *destination = VELTRIX_TYPE_CIRCLE;
    } else if (word == cPathTypeParallel) {
        *destination = VELTRIX_TYPE_PARALLEL;
    } else if (word == cPathTypeRadiate) {
        *destination = VELTRIX_TYPE_RADIATE;
    } else {
        return false;
    }
    return true;
}

bool GetIniString(const std::string& value, char (&destination)[264]) {
    static_assert(kMaxGuideNameBytes < sizeof(destination), "room for the NUL");
    if (value.size() > kMaxGuideNameBytes) {
        return false;
    }
    // A shorter repeated name must not leave the end of an earlier one behind its NUL.
    std::memset(destination, 0, sizeof(destination));
    std::memcpy(destination, value.data(), value.size());
    return true;
}

void AppendIniCategory(std::ostringstream& out, const char* section) {
    out << '[' << section << "]\n";
}

void AppendIniEmptyLine(std::ostringstream& out) {
    out << '\n';
}

void AppendIniString(std::ostringstream& out, const char* key, const std::string& value) {
    out << key << '=' << value << '\n';
}

void AppendIniInteger(std::ostringstream& out, const char* key, int value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    AppendIniString(out, key, std::string(digits, result.ptr));
}

void AppendIniDouble(std::ostringstream& out, const char* key, double value) {
    AppendIniString(out, key, _dtos(value, 2));
}

void AppendIniPoint(std::ostringstream& out, const char* key, const PathPoint& value) {
    AppendIniString(out, key, _dtos(value.x, 5) + ',' + _dtos(value.y, 5));
}

void AppendIniBool(std::ostringstream& out, const char* key, unsigned char value) {
    AppendIniString(out, key, value != 0 ? "true" : "false");
}

bool FormatPreset(const MoveEffectIniParam& param, std::string* text) {
    const size_t nameLength = strnlen(param.name, sizeof(param.name));
    if (nameLength == sizeof(param.name)) {
        return false;
    }
    const std::string name(param.name, nameLength);
    if (name.find_first_of("\r\n") != std::string::npos) {
        return false;
    }

    std::ostringstream out;
    out.imbue(std::locale::classic());
    AppendIniCategory(out, cGuide);
    AppendIniString(out, cPathType, PathTypeWord(param.type));
    AppendIniPoint(out, cPoint1, param.p1);
    AppendIniPoint(out, cPoint2, param.p2);
    AppendIniPoint(out, cPoint3, param.p3);
    AppendIniString(out, cGuideName, name);
    AppendIniDouble(out, cCurvature, param.curvature);
    AppendIniEmptyLine(out);

    AppendIniCategory(out, cPen);
    AppendIniDouble(out, cPenSize, param.size);
    AppendIniDouble(out, cPenHard, param.hardness);
    AppendIniDouble(out, cPenFluct, param.fluction);
    AppendIniInteger(out, cPenIn, param.in);
    AppendIniInteger(out, cPenOut, param.out);
    AppendIniBool(out, cPenDist, param.asdist);
    AppendIniBool(out, cPenEase, param.easing);
    AppendIniEmptyLine(out);

    AppendIniCategory(out, cLine);
    AppendIniInteger(out, cLinePos, param.position);
    AppendIniDouble(out, cLinePosFluct, param.posfluct);
    AppendIniInteger(out, cLineLen, param.length);
    AppendIniDouble(out, cLineLenFluct, param.lenfluct);
    AppendIniInteger(out, cLineSpace, param.spacing);
    AppendIniDouble(out, cLineSpaceFluct, param.spcfluct);
    AppendIniDouble(out, cLineLenGain, param.lengain);
    AppendIniDouble(out, cLineSpaceGain, param.spcgain);
    AppendIniBool(out, cLineConnect, param.connect);

    *text = out.str();
    return true;
}

void ParsePreset(const std::string& text, MoveEffectIniParam* param, MoveEffectIniReadFlag* flags) {
    std::memset(flags, 0, sizeof(*flags));
    std::memset(param, 0, sizeof(*param));
    const ReaderTable table = MakeReaderTable(param, flags);

    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;

        trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const size_t close = line.find(']');
            if (close != std::string::npos) {
                section = line.substr(1, close - 1);
                trim(section);
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        trim(key);
        trim(value);

        const auto keys = table.find(section);
        if (keys == table.end()) {
            continue;
        }
        const auto entry = keys->second.find(key);
        if (entry == keys->second.end()) {
            continue;
        }
        *entry->second.flag = ParseValue(entry->second, value) ? 1 : 0;
    }
}

}  // namespace ini
