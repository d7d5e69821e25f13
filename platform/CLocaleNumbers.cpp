// Number conversions with the "C" locale's rules, through a per-thread locale switch.
#include "platform/CLocaleNumbers.h"

#include <locale.h>
#ifdef __APPLE__
#include <xlocale.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Created once and kept for the life of the process.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// Puts the calling thread in the "C" locale for its lifetime.
class ScopedCLocale {
  public:
    ScopedCLocale() : previous_(CLocale() != static_cast<locale_t>(0) ? uselocale(CLocale()) : 0) {}
    ~ScopedCLocale() {
        if (previous_ != static_cast<locale_t>(0)) {
            uselocale(previous_);
        }
    }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

  private:
    locale_t previous_;
};

}  // namespace

// errno is kept from the conversion, whatever restoring the locale does to it.
double StrtodC(const char* text, char** end) {
    double value = 0.0;
    int error = 0;
    {
        const ScopedCLocale locale;
        value = std::strtod(text, end);
        error = errno;
    }
    errno = error;
    return value;
}

long StrtolC(const char* text, char** end) {
    long value = 0;
    int error = 0;
    {
        const ScopedCLocale locale;
        value = std::strtol(text, end, 10);
        error = errno;
    }
    errno = error;
    return value;
}

std::string FormatFixedC(double value, int decimals) {
    const ScopedCLocale locale;
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
    text.resize(static_cast<size_t>(length));
    return text;
}
