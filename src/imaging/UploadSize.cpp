// uploadSize of ResizeJpg.h.
#include <cmath>
#include <limits>
#include <string>

#include "imaging/JpegError.h"
#include "imaging/ResizeJpg.h"

namespace bildheber {
namespace {

constexpr long double kLandscapeWidth = 1024.0L;
constexpr long double kPortraitHeight = 768.0L;

// Nearest integer; a value exactly halfway between two integers goes to the even one.
int roundHalfToEven(long double value) {
    const long double below = std::floor(value);
    const long double fraction = value - below;
    const auto lower = static_cast<long long>(below);
    if (fraction < 0.5L) {
        return static_cast<int>(lower);
    }
    if (fraction > 0.5L) {
        return static_cast<int>(lower + 1);
    }
    return static_cast<int>(lower % 2 == 0 ? lower : lower + 1);
}

}  // namespace

// The quotient and both products are formed with a 64-bit significand (x87 extended precision,
// which GCC and Clang use for long double on x86) and the factor is kept as a double in between.
// Where long double is only a double (MSVC), the same code rounds every step to 53 bits. That
// changes the result for 36 660 of the possible sizes up to 65500 x 65500, all of them sizes
// whose exact short side is a half and whose factor is not a power of two: 6144 x 9 gives
// 1.4999... and so 1024 x 1 with a 64-bit significand, but exactly 1.5 and so 1024 x 2 in double
// precision. Such a build would need a wider product (e.g. an exact split with std::fma) to agree.
static_assert(std::numeric_limits<long double>::digits >= 64 ||
                  std::numeric_limits<long double>::digits == 53,
              "long double is neither extended nor double precision");

UploadSize uploadSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        throw JpegError("picture has no pixels (" + std::to_string(width) + " x " +
                        std::to_string(height) + ")");
    }
    const bool portrait = height > width;
    const long double quotient = portrait ? kPortraitHeight / static_cast<long double>(height)
                                          : kLandscapeWidth / static_cast<long double>(width);
    const double factor = static_cast<double>(quotient);
    return UploadSize{
        roundHalfToEven(static_cast<long double>(width) * static_cast<long double>(factor)),
        roundHalfToEven(static_cast<long double>(height) * static_cast<long double>(factor))};
}

}  // namespace bildheber
