#include "ConvertWords.h"

#include "protocol/AdcWord.h"

#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeb44 {

namespace {

// The bits all words of a channel share: the tag, no overflow mark (bit 27) and the
// channel index. The overload bit (26) and the code are free.
constexpr std::uint32_t kFixedBits = 0xFB000000u;
constexpr std::uint32_t kOverloadBit = 1u << 26;
// As a double, the divisor of zebwire::codeToVolts.
constexpr double kFullScaleCode = zebwire::kFullScaleCode;

constexpr std::uint32_t ExpectedBits(int channel) {
    return (zebwire::kWordTag << 28) | (static_cast<std::uint32_t>(channel) << 24);
}

// The checks are not branches: every word is XORed with the bits it must carry and
// the differences ORed together per word position (diff), to be looked at once at the
// end. The overload bit, absent from the expected bits, ends up in diff as the OR of
// the words' overload bits.
inline double ConvertOne(std::uint32_t word, std::uint32_t expected, double fullScale, std::uint32_t& diff) {
    diff |= word ^ expected;
    const std::int32_t code = static_cast<std::int32_t>(word << 8) >> 8;  // sign of the 24-bit code
    return static_cast<double>(code) * fullScale / kFullScaleCode;
}

// Sample instants first ... last - 1, one at a time.
template <int A>
void ConvertPlain(const TWordLayout& layout, const std::uint32_t* source, double* destination, std::size_t groups,
                  std::size_t first, std::size_t last, std::uint32_t (&diff)[A]) {
    std::uint32_t expected[A];
    for (int k = 0; k < A; ++k) expected[k] = ExpectedBits(layout.channel[k]);
    for (std::size_t g = first; g < last; ++g)
        for (int k = 0; k < A; ++k)
            destination[k * groups + g] = ConvertOne(source[g * A + k], expected[k], layout.fullScale[k], diff[k]);
}

#if defined(__SSE2__)
// Two sample instants (2A words) at a time as A pairs of words: pair j holds word
// positions 2j mod A and (2j + 1) mod A. Channel k's two volts lie in pair k / 2 and
// pair (A + k) / 2; one shuffle gathers them for one store to its block.
template <int A, std::size_t... K>
inline void StoreChannelPairs(const __m128d (&pair)[A], double* destination, std::size_t groups, std::size_t g,
                              std::index_sequence<K...>) {
    (_mm_storeu_pd(destination + K * groups + g,
                   _mm_shuffle_pd(pair[K / 2], pair[(A + K) / 2], (K % 2) | (((A + K) % 2) << 1))),
     ...);
}

// Returns the number of sample instants converted (groups rounded down to even).
template <int A>
std::size_t ConvertSse2(const TWordLayout& layout, const std::uint32_t* source, double* destination,
                        std::size_t groups, std::uint32_t (&diff)[A]) {
    __m128i expected[A];
    __m128d scale[A];
    __m128i pairDiff[A];
    for (int j = 0; j < A; ++j) {
        const int low = (2 * j) % A;
        const int high = (2 * j + 1) % A;
        expected[j] = _mm_set_epi32(0, 0, static_cast<int>(ExpectedBits(layout.channel[high])),
                                    static_cast<int>(ExpectedBits(layout.channel[low])));
        scale[j] = _mm_set_pd(layout.fullScale[high], layout.fullScale[low]);
        pairDiff[j] = _mm_setzero_si128();
    }
    const __m128d divisor = _mm_set1_pd(kFullScaleCode);
    const std::size_t even = groups & ~std::size_t{1};
    for (std::size_t g = 0; g < even; g += 2) {
        const std::uint32_t* words = source + g * A;
        __m128d volts[A];
        for (int j = 0; j < A; ++j) {
            const __m128i w = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(words + 2 * j));
            pairDiff[j] = _mm_or_si128(pairDiff[j], _mm_xor_si128(w, expected[j]));
            const __m128i code = _mm_srai_epi32(_mm_slli_epi32(w, 8), 8);
            // The same two roundings as the plain code: the product, then the quotient.
            volts[j] = _mm_div_pd(_mm_mul_pd(_mm_cvtepi32_pd(code), scale[j]), divisor);
        }
        StoreChannelPairs<A>(volts, destination, groups, g, std::make_index_sequence<A>());
    }
    for (int j = 0; j < A; ++j) {
        alignas(16) std::uint32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), pairDiff[j]);
        diff[(2 * j) % A] |= lanes[0];
        diff[(2 * j + 1) % A] |= lanes[1];
    }
    return even;
}
#endif

template <int A>
bool ConvertLayout(const TWordLayout& layout, const std::uint32_t* source, double* destination, std::size_t groups,
                   std::uint8_t overloadBits[4]) {
    std::uint32_t diff[A] = {};
    std::size_t done = 0;
#if defined(__SSE2__)
    done = ConvertSse2<A>(layout, source, destination, groups, diff);
#endif
    ConvertPlain<A>(layout, source, destination, groups, done, groups, diff);
    std::uint32_t wrong = 0;
    for (int k = 0; k < 4; ++k) overloadBits[k] = 0;
    for (int k = 0; k < A; ++k) {
        wrong |= diff[k] & kFixedBits;
        overloadBits[layout.channel[k]] = (diff[k] & kOverloadBit) != 0 ? 1 : 0;
    }
    return wrong == 0;
}

}  // namespace

bool ConvertWords(const TWordLayout& layout, const std::uint32_t* source, double* destination, std::size_t groups,
                  std::uint8_t overloadBits[4]) {
    // A loop per channel count: no division or modulo per word, and the word
    // positions of a sample instant are constants.
    switch (layout.active) {
    case 1: return ConvertLayout<1>(layout, source, destination, groups, overloadBits);
    case 2: return ConvertLayout<2>(layout, source, destination, groups, overloadBits);
    case 3: return ConvertLayout<3>(layout, source, destination, groups, overloadBits);
    case 4: return ConvertLayout<4>(layout, source, destination, groups, overloadBits);
    default: return false;
    }
}

}  // namespace zeb44
