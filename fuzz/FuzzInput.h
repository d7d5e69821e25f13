// FuzzInput: typed values taken from a fuzzer's input bytes, never failing when they run out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

/// Control values come from the back of the input and free text from the front, so a seed is
/// readable text with its settings appended. Once the bytes are used up every value is 0 (or
/// the low end of its range). Borrows the bytes; one fuzzer execution uses one reader.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_; }

    uint8_t Byte() {
        if (size_ == 0) {
            return 0;
        }
        --size_;
        return data_[size_];
    }

    bool Bool() { return (Byte() & 1) != 0; }

    /// Up to eight back bytes, little end first.
    uint64_t Bits(int bytes) {
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= static_cast<uint64_t>(Byte()) << (8 * i);
        }
        return value;
    }

    /// A value in [low, high] taken from as few bytes as the width of the range needs.
    int64_t Integer(int64_t low, int64_t high) {
        if (high <= low) {
            return low;
        }
        const uint64_t span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
        int bytes = 0;
        while (bytes < 8 && (span >> (8 * bytes)) != 0) {
            ++bytes;
        }
        uint64_t value = Bits(bytes);
        if (span != std::numeric_limits<uint64_t>::max()) {
            value %= span + 1;
        }
        return static_cast<int64_t>(static_cast<uint64_t>(low) + value);
    }

    /// Any double, NaNs, infinities and subnormals included.
    double AnyDouble() {
        const uint64_t bits = Bits(8);
        double value;
        std::memcpy(&value, &bits, sizeof(value));
        return value;
    }

    /// Mostly a value in [low, high); now and then a value a hostile caller could pass instead:
    /// a NaN, an infinity, a huge or tiny magnitude, a signed zero, or any bit pattern.
    double Double(double low, double high) {
        const uint8_t selector = Byte();
        if (selector < 224) {
            const double fraction = static_cast<double>(Bits(2)) / 65536.0;
            return low + (high - low) * fraction;
        }
        if (selector < 240) {
            static const double kEdges[16] = {0.0,
                                              -0.0,
                                              1.0,
                                              -1.0,
                                              std::numeric_limits<double>::quiet_NaN(),
                                              std::numeric_limits<double>::infinity(),
                                              -std::numeric_limits<double>::infinity(),
                                              1e300,
                                              -1e300,
                                              std::numeric_limits<double>::min(),
                                              std::numeric_limits<double>::denorm_min(),
                                              std::numeric_limits<double>::max(),
                                              1e-9,
                                              2147483648.0,
                                              -2147483649.0,
                                              1e6};
            return kEdges[selector - 224];
        }
        return AnyDouble();
    }

    /// Mostly a value in [low, high]; now and then any 32-bit value.
    int32_t Int32(int32_t low, int32_t high) {
        if (Byte() < 240) {
            return static_cast<int32_t>(Integer(low, high));
        }
        return static_cast<int32_t>(static_cast<uint32_t>(Bits(4)));
    }

    /// Up to `count` bytes from the front.
    std::string Front(size_t count) {
        const size_t n = count < size_ ? count : size_;
        std::string text(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return text;
    }

    /// Every byte not yet used.
    std::string Rest() { return Front(size_); }

  private:
    const uint8_t* data_;
    size_t size_;
};
