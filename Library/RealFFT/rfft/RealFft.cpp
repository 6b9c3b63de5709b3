#include "rfft/RealFft.h"

#include "rfft/FourStep.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace rfft {

namespace {

bool is_pow2(std::int32_t x)
{
    RFFT_REQUIRE(x > 0, "x > 0");
    return (x & (x - 1)) == 0;
}

int log2_of_pow2(std::int32_t x)
{
    int k = 0;
    while ((std::int32_t{1} << k) < x) {
        ++k;
    }
    return k;
}

} // namespace

template <class T>
RealFft<T>::RealFft(std::int32_t length, const AbortFlag* abort_flag, Kernels kernels)
    : length_(length)
    , abort_flag_(abort_flag)
{
    RFFT_REQUIRE(is_pow2(length), "is_pow2 (length)");
    bit_count_ = log2_of_pow2(length);
    RFFT_REQUIRE(bit_count_ <= MaxBitDepth, "bit_count <= MaxBitDepth");
    if (bit_count_ >= FourStepMinBits) {
        four_step_ = std::make_unique<detail::FourStepPlan>();
        four_step_->build(length_);
        transform_ = detail::pick_transform(kernels);
        return;
    }
    buffer_.resize(length_);
    init_bit_reversal();
    init_cosine_table();
    init_oscillators();
}

template <class T>
RealFft<T>::~RealFft() = default;

template <class T>
T* RealFft<T>::scratch()
{
    return four_step_ ? four_step_->scratch.data() : buffer_.data();
}

template <class T>
void RealFft<T>::init_bit_reversal()
{
    bit_reversal_.resize(length_);
    long* br = bit_reversal_.data();
    br[0] = 0;
    long index = 0;
    for (std::int32_t c = 1; c < length_; ++c) {
        // Increment in reversed bit order: carry runs from the top bit downwards.
        long bit = length_ >> 1;
        for (;;) {
            index ^= bit;
            if ((index & bit) != 0) {
                break;
            }
            bit >>= 1;
        }
        br[c] = index;
    }
}

template <class T>
void RealFft<T>::init_cosine_table()
{
    if (bit_count_ < 4) {
        return;
    }
    const std::int32_t size = (std::int32_t{1} << (bit_count_ - 1)) - 4;
    cosine_table_.resize(size);
    // Level L owns 2^(L-1) entries from index 2^(L-1) - 4: cos(i*pi/2^L).
    for (int level = 3; level < bit_count_; ++level) {
        const std::int32_t count = std::int32_t{1} << (level - 1);
        const std::int32_t start = count - 4;
        const double mul = std::numbers::pi / static_cast<double>(std::int32_t{1} << level);
        for (std::int32_t i = 0; i < count; ++i) {
            cosine_table_[start + i] = static_cast<T>(std::cos(i * mul));
        }
    }
}

template <class T>
void RealFft<T>::init_oscillators()
{
    if (bit_count_ <= TrigTableMaxLevel) {
        return;
    }
    oscillators_.resize(bit_count_ - TrigTableMaxLevel - 1);
    for (std::int32_t j = 0; j < oscillators_.size(); ++j) {
        const double angle = (std::numbers::pi / 2) / static_cast<double>(std::int64_t{1} << (TrigTableMaxLevel + j));
        oscillators_[j].set_step(angle);
    }
}

// ---------------------------------------------------------------------------------------
// Pass kernels. They are compiled three times, for plain x86-64, for AVX2 and for
// AVX-512 machines, and the loader picks the fitting copy. Not under ThreadSanitizer:
// the loader runs the picking code before the sanitizer's runtime is set up.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define RFFT_KERNEL __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define RFFT_KERNEL
#endif

namespace {

// Twiddle factors are handed to the butterflies in runs of this many; the oscillator
// copies of one run (TwiddleRun / OscillatorSpan) step side by side.
constexpr long TwiddleRun = 256;
// An oscillator runs at most this many steps from an exact table value, which keeps its
// drift (a few 1e-17 per step) far below double precision.
constexpr long OscillatorSpan = 16;
// Levels below this are done block by block, each block small enough for the caches.
// At most TrigTableMaxLevel + 1, so that in-block levels take their twiddles from the table.
constexpr int BlockBits = 13;

// From N = 2^FiveLevelMinBits on, the first pass does levels 0 ... 4 (or 0 ... 5) in
// groups of 32 (or 64) outputs, four groups side by side.
constexpr int FiveLevelMinBits = 7;
constexpr int SixLevelMinBits = 11;

using Flag = std::atomic<bool>;

inline bool raised(const Flag* flag)
{
    return flag != nullptr && flag->load(std::memory_order_relaxed);
}

// Four doubles handled as one value; the AVX2 and AVX-512 copies of the kernels keep them
// in one register, the plain copy in two. The helpers below are always inlined, so the
// ABI note GCC gives for returning them does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef double V4 __attribute__((vector_size(32), __may_alias__, aligned(8)));
typedef long long I4 __attribute__((vector_size(32)));

inline __attribute__((always_inline)) V4 load4(const double* p)
{
    return *reinterpret_cast<const V4*>(p);
}
inline __attribute__((always_inline)) void store4(double* p, V4 v)
{
    *reinterpret_cast<V4*>(p) = v;
}

// Rows r0 ... r3 become columns.
inline __attribute__((always_inline)) void transpose4(V4& r0, V4& r1, V4& r2, V4& r3)
{
    const V4 t0 = __builtin_shuffle(r0, r1, I4{0, 4, 2, 6});
    const V4 t1 = __builtin_shuffle(r0, r1, I4{1, 5, 3, 7});
    const V4 t2 = __builtin_shuffle(r2, r3, I4{0, 4, 2, 6});
    const V4 t3 = __builtin_shuffle(r2, r3, I4{1, 5, 3, 7});
    r0 = __builtin_shuffle(t0, t2, I4{0, 1, 4, 5});
    r1 = __builtin_shuffle(t1, t3, I4{0, 1, 4, 5});
    r2 = __builtin_shuffle(t0, t2, I4{2, 3, 6, 7});
    r3 = __builtin_shuffle(t1, t3, I4{2, 3, 6, 7});
}

// Levels 0, 1 and 2 for eight outputs: two four-point transforms, then the eight-point
// combination with cos(pi/4) = sin(pi/4). The inputs are named after their place in
// the bit-reversed order: a0 a2 a1 a3 b0 b2 b1 b3 feed outputs 0 ... 7.
template <class V>
inline __attribute__((always_inline)) void three_levels(V a0, V a2, V a1, V a3, V b0, V b2, V b1, V b3, V* d)
{
    const double h = std::numbers::sqrt2 / 2;
    // Four-point transform (s0, s1, s2, s3) -> (s0+s1+s2+s3, s0-s2, s0+s2-s1-s3, s1-s3).
    const V at0 = a0 + a2, at1 = a1 + a3;
    const V bt0 = b0 + b2, bt1 = b1 + b3;
    const V e0 = at0 + at1, e1 = a0 - a2, e2 = at0 - at1, e3 = a1 - a3;
    const V o0 = bt0 + bt1, o1 = b0 - b2, o2 = bt0 - bt1, o3 = b1 - b3;
    const V re = h * (o1 - o3);
    const V im = h * (o3 + o1);
    d[0] = e0 + o0;
    d[4] = e0 - o0;
    d[2] = e2;
    d[6] = o2;
    d[1] = e1 + re;
    d[3] = e1 - re;
    d[5] = e3 + im;
    d[7] = im - e3;
}

// Levels 0, 1 and 2 over the whole array (the first pass below N = 2^FiveLevelMinBits).
// Output group p (eight outputs from p, p a multiple of 8) takes x[B + r*N/8] for
// r = 0 ... 7 in 3-bit reversed order, where B = bitrev(p) < N/8, so p = bitrev(B).
// Walking B upwards reads the input as eight sequential streams and writes whole groups,
// four groups at a time.
inline __attribute__((always_inline)) void first_three_levels_pass(double* __restrict d, const double* __restrict x,
                                                                   const long* __restrict br, long n)
{
    const long e = n >> 3;
    long B = 0;
    for (; B + 4 <= e; B += 4) {
        const double* s = x + B;
        V4 v[8];
        three_levels(load4(s), load4(s + 4 * e), load4(s + 2 * e), load4(s + 6 * e), load4(s + e), load4(s + 5 * e),
                     load4(s + 3 * e), load4(s + 7 * e), v);
        transpose4(v[0], v[1], v[2], v[3]);
        transpose4(v[4], v[5], v[6], v[7]);
        for (int l = 0; l < 4; ++l) {
            double* g = d + br[B + l];
            store4(g, v[l]);
            store4(g + 4, v[4 + l]);
        }
    }
    for (; B < e; ++B) {
        const double* s = x + B;
        double* g = d + br[B];
        three_levels(s[0], s[4 * e], s[2 * e], s[6 * e], s[e], s[5 * e], s[3 * e], s[7 * e], g);
    }
}

// The butterflies of one block of a general level, i = i0 ... i1-1 (0 < i < Q = H/2).
// The block holds two halves of H = 2^n coefficients, each the transform of a
// sub-sequence in the output layout (E: first half, O: second half). With
// W = exp(-i*pi/H) and T = W^i O_i:
//   Y_i     = E_i + T          -> Re at i,     -Im at H + i
//   Y_{H-i} = conj(E_i - T)    -> Re at H - i, -Im at 2H - i
// c[t] = cos((i0 + t) pi / H) and sn_rev[-t] = sin((i0 + t) pi / H).
inline __attribute__((always_inline)) void butterflies(double* __restrict d, const double* __restrict s, long H,
                                                       long i0, long i1, const double* __restrict c,
                                                       const double* __restrict sn_rev)
{
    const long Q = H >> 1;
    const long M = H << 1;
    const long count = i1 - i0;
    const double* __restrict er = s + i0;
    const double* __restrict ei = s + Q + i0;
    const double* __restrict orr = s + H + i0;
    const double* __restrict oi = s + H + Q + i0;
    double* __restrict d_lo = d + i0;
    double* __restrict d_hi = d + H + i0;
    double* __restrict d_lo_rev = d + H - i0;
    double* __restrict d_hi_rev = d + M - i0;
    for (long t = 0; t < count; ++t) {
        const double cc = c[t];
        const double ss = sn_rev[-t];
        const double re = cc * orr[t] - ss * oi[t];
        const double im = cc * oi[t] + ss * orr[t];
        d_lo[t] = er[t] + re;
        d_lo_rev[-t] = er[t] - re;
        d_hi[t] = ei[t] + im;
        d_hi_rev[-t] = im - ei[t];
    }
}

inline __attribute__((always_inline)) void block_ends(double* __restrict d, const double* __restrict s, long H)
{
    const long Q = H >> 1;
    d[0] = s[0] + s[H];
    d[H] = s[0] - s[H];
    d[Q] = s[Q];
    d[H + Q] = s[H + Q];
}

// A small level with its block size known at compile time, so the loop unrolls.
template <long H>
inline __attribute__((always_inline)) void small_level(double* __restrict d, const double* __restrict s, long count,
                                                       const double* __restrict tab)
{
    constexpr long Q = H / 2;
    const double* c = tab + (Q - 4);
    for (long p = 0; p < count; p += 2 * H) {
        block_ends(d + p, s + p, H);
        butterflies(d + p, s + p, H, 1, Q, c + 1, c + Q - 1);
    }
}

// Two levels n and n+1 in place on one block of 4H coefficients (H = 2^n, Q = H/2).
// Level n turns the quarters into two transforms of 2H; level n+1 combines them. The
// index i of level n feeds indices i and H - i of level n+1, and i together with its
// partner Q - i reads exactly the sixteen positions it writes, so the pair of levels
// needs one sweep instead of two and no second array. This part handles
// i = i0 ... i1-1 within 1 ... Q/2 (i = Q/2 is its own partner).
// Twiddles (Tw): c1/s1(i) = cos/sin(i pi / H); c2/s2(i) = cos/sin(i pi / 2H);
// c3/s3(i) = cos/sin((Q - i) pi / 2H).
template <class Tw>
inline __attribute__((always_inline)) void fused_pair(double* d, long H, long i0, long i1, const Tw& tw)
{
    const long Q = H >> 1;
    const long H2 = 2 * H;
    const long H3 = 3 * H;
    const long H4 = 4 * H;
#pragma GCC ivdep
    for (long i = i0; i < i1; ++i) {
        const long k = Q - i;
        // Everything is read before anything is written.
        const double a_er = d[i], a_ei = d[Q + i], a_or = d[H + i], a_oi = d[H + Q + i];
        const double b_er = d[H2 + i], b_ei = d[H2 + Q + i], b_or = d[H3 + i], b_oi = d[H3 + Q + i];
        const double p_er = d[k], p_ei = d[Q + k], p_or = d[H + k], p_oi = d[H + Q + k];
        const double q_er = d[H2 + k], q_ei = d[H2 + Q + k], q_or = d[H3 + k], q_oi = d[H3 + Q + k];
        const double c1 = tw.c1(i), s1 = tw.s1(i);
        const double c2 = tw.c2(i), s2 = tw.s2(i);
        const double c3 = tw.c3(i), s3 = tw.s3(i);

        // Level n at i (twiddle c1, s1) on both halves.
        double re = c1 * a_or - s1 * a_oi;
        double im = c1 * a_oi + s1 * a_or;
        const double A_i = a_er + re, A_hmi = a_er - re, A_hpi = a_ei + im, A_2hmi = im - a_ei;
        re = c1 * b_or - s1 * b_oi;
        im = c1 * b_oi + s1 * b_or;
        const double B_i = b_er + re, B_hmi = b_er - re, B_hpi = b_ei + im, B_2hmi = im - b_ei;
        // Level n at k = Q - i (twiddle s1, c1).
        re = s1 * p_or - c1 * p_oi;
        im = s1 * p_oi + c1 * p_or;
        const double A_k = p_er + re, A_hmk = p_er - re, A_hpk = p_ei + im, A_2hmk = im - p_ei;
        re = s1 * q_or - c1 * q_oi;
        im = s1 * q_oi + c1 * q_or;
        const double B_k = q_er + re, B_hmk = q_er - re, B_hpk = q_ei + im, B_2hmk = im - q_ei;

        // Level n+1 at i (c2, s2), H - i (s2, c2), k (c3, s3) and H - k (s3, c3).
        re = c2 * B_i - s2 * B_hpi;
        im = c2 * B_hpi + s2 * B_i;
        const double y0 = A_i + re, y1 = A_i - re, y2 = A_hpi + im, y3 = im - A_hpi;
        re = s2 * B_hmi - c2 * B_2hmi;
        im = s2 * B_2hmi + c2 * B_hmi;
        const double y4 = A_hmi + re, y5 = A_hmi - re, y6 = A_2hmi + im, y7 = im - A_2hmi;
        re = c3 * B_k - s3 * B_hpk;
        im = c3 * B_hpk + s3 * B_k;
        const double z0 = A_k + re, z1 = A_k - re, z2 = A_hpk + im, z3 = im - A_hpk;
        re = s3 * B_hmk - c3 * B_2hmk;
        im = s3 * B_2hmk + c3 * B_hmk;
        const double z4 = A_hmk + re, z5 = A_hmk - re, z6 = A_2hmk + im, z7 = im - A_2hmk;

        d[i] = y0;
        d[H2 - i] = y1;
        d[H2 + i] = y2;
        d[H4 - i] = y3;
        d[H - i] = y4;
        d[H + i] = y5;
        d[H3 - i] = y6;
        d[H3 + i] = y7;
        d[k] = z0;
        d[H2 - k] = z1;
        d[H2 + k] = z2;
        d[H4 - k] = z3;
        d[H - k] = z4;
        d[H + k] = z5;
        d[H3 - k] = z6;
        d[H3 + k] = z7;
    }
}

// Index 0 of level n with index Q of level n+1 (and the copies of both levels'
// index-0 partners): positions 0, Q, H, H+Q, 2H, 2H+Q, 3H, 3H+Q of a block of 4H.
inline __attribute__((always_inline)) void fused_pair_ends(double* d, long H)
{
    const double h = std::numbers::sqrt2 / 2;
    const long Q = H >> 1;
    const double A0 = d[0], AH = d[H], AQ = d[Q], AHQ = d[H + Q];
    const double B0 = d[2 * H], BH = d[3 * H], BQ = d[2 * H + Q], BHQ = d[3 * H + Q];
    const double a0 = A0 + AH, aH = A0 - AH;
    const double b0 = B0 + BH, bH = B0 - BH;
    const double re = h * (BQ - BHQ);
    const double im = h * (BHQ + BQ);
    d[0] = a0 + b0;
    d[2 * H] = a0 - b0;
    d[H] = aH;
    d[3 * H] = bH;
    d[Q] = AQ + re;
    d[H + Q] = AQ - re;
    d[2 * H + Q] = AHQ + im;
    d[3 * H + Q] = im - AHQ;
}

// Twiddles straight from the cosine table (levels n and n+1 both within it).
struct TableTwiddles {
    const double* tn;  // level n entries
    const double* tn1; // level n+1 entries
    long Q;
    long H;
    double c1(long i) const { return tn[i]; }
    double s1(long i) const { return tn[Q - i]; }
    double c2(long i) const { return tn1[i]; }
    double s2(long i) const { return tn1[H - i]; }
    double c3(long i) const { return tn1[Q - i]; }
    double s3(long i) const { return tn1[Q + i]; }
};

// Twiddles of one run i = i0 ... made beforehand (oscillator levels).
struct RunTwiddles {
    const double* C1;
    const double* S1;
    const double* C2;
    const double* S2;
    const double* C3;
    const double* S3;
    long i0;
    double c1(long i) const { return C1[i - i0]; }
    double s1(long i) const { return S1[i - i0]; }
    double c2(long i) const { return C2[i - i0]; }
    double s2(long i) const { return S2[i - i0]; }
    double c3(long i) const { return C3[i - i0]; }
    double s3(long i) const { return S3[i - i0]; }
};

template <long H>
inline __attribute__((always_inline)) void small_pair(double* d, long count, const double* tab)
{
    constexpr long Q = H / 2;
    const TableTwiddles tw{tab + (Q - 4), tab + (H - 4), Q, H};
    for (long p = 0; p < count; p += 4 * H) {
        fused_pair_ends(d + p, H);
        fused_pair(d + p, H, 1, Q / 2 + 1, tw);
    }
}

RFFT_KERNEL void fused_run_kernel(double* d, long length, long H, long i0, long i1, const RunTwiddles& tw)
{
    for (long p = 0; p < length; p += 4 * H) {
        fused_pair(d + p, H, i0, i1, tw);
    }
}

// One general level inside a group of G outputs, four groups side by side (one per
// lane), so every butterfly is plain lane-wise arithmetic with the twiddle factors of
// the cosine table broadcast. H = 2^level; as in butterflies().
template <long G, long H>
inline __attribute__((always_inline)) void group_level(V4* __restrict d, const V4* __restrict s,
                                                       const double* __restrict tab)
{
    constexpr long Q = H / 2;
    const double* c = tab + (Q - 4);
#pragma GCC unroll 8
    for (long p = 0; p < G; p += 2 * H) {
        d[p] = s[p] + s[p + H];
        d[p + H] = s[p] - s[p + H];
        d[p + Q] = s[p + Q];
        d[p + H + Q] = s[p + H + Q];
#pragma GCC unroll 16
        for (long i = 1; i < Q; ++i) {
            const double cc = c[i];
            const double ss = c[Q - i];
            const V4 er = s[p + i], ei = s[p + Q + i], orr = s[p + H + i], oi = s[p + H + Q + i];
            const V4 re = cc * orr - ss * oi;
            const V4 im = cc * oi + ss * orr;
            d[p + i] = er + re;
            d[p + H - i] = er - re;
            d[p + H + i] = ei + im;
            d[p + 2 * H - i] = im - ei;
        }
    }
}

constexpr long reverse_bits(long j, int bits)
{
    long r = 0;
    for (int i = 0; i < bits; ++i) {
        r = (r << 1) | ((j >> i) & 1);
    }
    return r;
}

// Levels 0 ... L-1 for four groups of G = 2^L outputs: group P (outputs G*P ... G*P+G-1)
// takes x[B + r*N/G], r = 0 ... G-1, in L-bit reversed order, where B = bitrev(G*P) <
// N/G; the four groups are those of B, B+1, B+2 and B+3, and they start at bitrev(B+l).
template <int L>
inline __attribute__((always_inline)) void first_levels_4groups(double* __restrict d, const double* __restrict x,
                                                                const long* __restrict br,
                                                                const double* __restrict tab, long e, long B)
{
    constexpr long G = long{1} << L;
    const double* s = x + B;
    V4 u[G];
    V4 v[G];
#pragma GCC unroll 8
    for (long j = 0; j < G; j += 8) {
        three_levels(load4(s + reverse_bits(j, L) * e), load4(s + reverse_bits(j + 1, L) * e),
                     load4(s + reverse_bits(j + 2, L) * e), load4(s + reverse_bits(j + 3, L) * e),
                     load4(s + reverse_bits(j + 4, L) * e), load4(s + reverse_bits(j + 5, L) * e),
                     load4(s + reverse_bits(j + 6, L) * e), load4(s + reverse_bits(j + 7, L) * e), u + j);
    }
    group_level<G, 8>(v, u, tab);
    group_level<G, 16>(u, v, tab);
    const V4* r = u;
    if constexpr (L == 6) {
        group_level<G, 32>(v, u, tab);
        r = v;
    }
    double* g0 = d + br[B];
    double* g1 = d + br[B + 1];
    double* g2 = d + br[B + 2];
    double* g3 = d + br[B + 3];
#pragma GCC unroll 16
    for (long j = 0; j < G; j += 4) {
        V4 r0 = r[j], r1 = r[j + 1], r2 = r[j + 2], r3 = r[j + 3];
        transpose4(r0, r1, r2, r3);
        store4(g0 + j, r0);
        store4(g1 + j, r1);
        store4(g2 + j, r2);
        store4(g3 + j, r3);
    }
}

// Levels 0 ... L-1 (L = 5 or 6) over the whole array (N >= 4 * 2^L), group after group.
// The values of B are walked in tiles of 8 x 8: for the top three bits of B in the outer
// and the bottom three in the inner loop, the tile reads one cache line of each input
// stream per outer step and writes eight runs of eight neighbouring groups, which stay
// in the cache meanwhile, and it touches few pages at any N. (Reading the input in
// output order, through the bit-reversal table, would take a new page and, at large N,
// one of the same few cache sets for every element.)
// The abort flag is read after every 8 groups (every 4 when N < 2^(L+6)): from N = 2^10
// on, the work between two reads is less than one level of the plain order; below, it
// is at most the pass itself (5 levels at N = 128), in a transform of well under 1 us.
// False when it stopped the work.
template <int L>
inline __attribute__((always_inline)) bool first_levels_pass(double* __restrict d, const double* __restrict x,
                                                             const long* __restrict br, const double* __restrict tab,
                                                             int k, const Flag* abort)
{
    const long e = long{1} << (k - L); // values of B
    const int bbits = k - L;
    if (bbits < 6) {
        for (long B = 0; B < e; B += 4) {
            first_levels_4groups<L>(d, x, br, tab, e, B);
            if (raised(abort)) {
                return false;
            }
        }
        return true;
    }
    const int mid = bbits - 6;
    const long mids = long{1} << mid;
    for (long c = 0; c < mids; ++c) {
        for (long a = 0; a < 8; ++a) {
            const long B = (a << (mid + 3)) | (c << 3);
            first_levels_4groups<L>(d, x, br, tab, e, B);
            first_levels_4groups<L>(d, x, br, tab, e, B + 4);
            if (raised(abort)) {
                return false;
            }
        }
    }
    return true;
}

// Levels n and n+1 in place on count coefficients (a multiple of 4 * 2^n), twiddles from
// the table. The smallest pairs get their block size at compile time, so they unroll.
inline __attribute__((always_inline)) void levels_pair_in_block(double* cur, long count, int level,
                                                                const double* tab)
{
    switch (level) {
    case 3:
        small_pair<8>(cur, count, tab);
        break;
    case 5:
        small_pair<32>(cur, count, tab);
        break;
    case 6:
        small_pair<64>(cur, count, tab);
        break;
    default: {
        const long H = long{1} << level;
        const long Q = H >> 1;
        const TableTwiddles tw{tab + (Q - 4), tab + (H - 4), Q, H};
        for (long p = 0; p < count; p += 4 * H) {
            fused_pair_ends(cur + p, H);
            fused_pair(cur + p, H, 1, Q / 2 + 1, tw);
        }
        break;
    }
    }
}

// Levels 0 ... b-1: the first levels (0 ... 4 or 0 ... 5; 0 ... 2 below N = 128) over the
// whole array, then the further levels on the blocks of 2^b coefficients, one block
// after the other, each carried through all of them while it sits in the cache. Level
// L's result lies in `even` for odd L and in `odd` for even L, as in the plain
// level-by-level order. The abort flag is read within the first pass (see there) and
// after every further level of every block; false when it stopped the work.
RFFT_KERNEL bool first_levels_kernel(double* even, double* odd, const double* x, const long* br, const double* tab,
                                     int k, int b, const Flag* abort)
{
    const long block = long{1} << b;
    const long blocks = long{1} << (k - b);
    // The first pass does 5 levels, or 6 when that leaves an even number of levels for
    // the blocks to do in pairs (b = 12; b = BlockBits takes 5). Below 2^11 the larger
    // groups do not pay; a single level then precedes the pairs when b - 5 is odd.
    int first = 3;
    if (k >= FiveLevelMinBits && ((b - 5) % 2 == 0 || k < SixLevelMinBits)) {
        if (!first_levels_pass<5>(odd, x, br, tab, k, abort)) {
            return false;
        }
        first = 5;
    } else if (k >= SixLevelMinBits) {
        // Level 5's result lies in `even`.
        if (!first_levels_pass<6>(even, x, br, tab, k, abort)) {
            return false;
        }
        first = 6;
    } else {
        first_three_levels_pass(odd, x, br, long{1} << k);
        if (raised(abort)) {
            return false;
        }
    }
    for (long o = 0; o < blocks; ++o) {
        const long base = o << b;
        double* ev = even + base;
        double* od = odd + base;
        // Further levels: one single level when their count is odd, then pairs in place.
        double* cur = first == 6 ? ev : od;
        int level = first;
        if ((b - first) % 2 == 1) {
            if (level == 3) {
                small_level<8>(ev, od, block, tab);
            } else {
                small_level<32>(ev, od, block, tab);
            }
            cur = ev;
            ++level;
            if (raised(abort)) {
                return false;
            }
        }
        for (; level + 1 < b; level += 2) {
            levels_pair_in_block(cur, block, level, tab);
            if (raised(abort)) {
                return false;
            }
        }
    }
    return true;
}

// Twiddles cos/sin(i pi / 2^level) for i = first ... first+count-1 (count <= TwiddleRun)
// from the level's oscillator, whose step it repeats: (c, s) -> (c*sc - s*ss, c*ss + sc*s).
// Every OscillatorSpan steps the oscillator restarts from the exact value in the cosine
// table (which holds every level); the copies for the run's stretches step side by side,
// lane-wise, so their chains of dependent steps overlap.
RFFT_KERNEL void oscillator_twiddles(double step_cos, double step_sin, const double* tab, long Q, long first,
                                     long count, double* tw_cos, double* tw_sin)
{
    constexpr long Lanes = TwiddleRun / OscillatorSpan;
    alignas(64) double c[Lanes];
    alignas(64) double s[Lanes];
    alignas(64) double out_c[OscillatorSpan][Lanes];
    alignas(64) double out_s[OscillatorSpan][Lanes];
    for (long l = 0; l < Lanes; ++l) {
        const long i = first + l * OscillatorSpan;
        c[l] = i < first + count ? tab[i] : 1.0;
        s[l] = i < first + count ? tab[Q - i] : 0.0;
    }
    for (long t = 0; t < OscillatorSpan; ++t) {
        for (long l = 0; l < Lanes; ++l) {
            out_c[t][l] = c[l];
            out_s[t][l] = s[l];
            const double cc = c[l];
            const double ss = s[l];
            c[l] = cc * step_cos - ss * step_sin;
            s[l] = cc * step_sin + step_cos * ss;
        }
    }
    for (long l = 0; l < Lanes; ++l) {
        for (long t = 0; t < OscillatorSpan; ++t) {
            const long pos = l * OscillatorSpan + t;
            if (pos < count) {
                tw_cos[pos] = out_c[t][l];
                tw_sin[pos] = out_s[t][l];
            }
        }
    }
}

// The butterflies of one run of twiddles for every block of a level.
RFFT_KERNEL void level_run_kernel(double* d, const double* s, long length, long H, long i0, long i1,
                                  const double* c, const double* sn_rev)
{
    for (long p = 0; p < length; p += 2 * H) {
        butterflies(d + p, s + p, H, i0, i1, c, sn_rev);
    }
}

} // namespace

template <class T>
bool RealFft<T>::first_levels(T* even, T* odd, const T* x)
{
    const int b = bit_count_ < BlockBits ? bit_count_ : BlockBits;
    return first_levels_kernel(even, odd, x, bit_reversal_.data(), cosine_table_.data(), bit_count_, b, abort_flag_);
}

// One general level over the whole array, twiddle run by twiddle run: each run of
// factors is made once and used for every block.
template <class T>
void RealFft<T>::level_pass(T* dst, const T* src, int level) const
{
    const long H = long{1} << level;
    const long Q = H >> 1;
    const long M = H << 1;
    for (long p = 0; p < length_; p += M) {
        block_ends(dst + p, src + p, H);
    }
    const T* tab = cosine_table_.data() + (Q - 4);
    alignas(64) T tw_cos[TwiddleRun];
    alignas(64) T tw_sin[TwiddleRun];
    alignas(64) T tw_tmp[TwiddleRun];
    for (long i0 = 1; i0 < Q; i0 += TwiddleRun) {
        const long i1 = (Q - i0 > TwiddleRun) ? i0 + TwiddleRun : Q;
        if (level <= TrigTableMaxLevel) {
            level_run_kernel(dst, src, length_, H, i0, i1, tab + i0, tab + Q - i0);
        } else {
            const SinCosOsc<T>& osc = oscillators_[level - TrigTableMaxLevel - 1];
            oscillator_twiddles(osc.get_step_cos(), osc.get_step_sin(), tab, Q, i0, i1 - i0, tw_cos, tw_tmp);
            for (long t = 0; t < i1 - i0; ++t) {
                tw_sin[TwiddleRun - 1 - t] = tw_tmp[t];
            }
            level_run_kernel(dst, src, length_, H, i0, i1, tw_cos, tw_sin + TwiddleRun - 1);
        }
    }
}

// cos/sin(i pi / 2^level) for i = first ... first+count-1, from the table or the oscillator.
template <class T>
void RealFft<T>::twiddle_run(int level, long first, long count, T* tw_cos, T* tw_sin) const
{
    const long Q = long{1} << (level - 1);
    const T* tab = cosine_table_.data() + (Q - 4);
    if (level <= TrigTableMaxLevel) {
        for (long t = 0; t < count; ++t) {
            tw_cos[t] = tab[first + t];
            tw_sin[t] = tab[Q - first - t];
        }
    } else {
        const SinCosOsc<T>& osc = oscillators_[level - TrigTableMaxLevel - 1];
        oscillator_twiddles(osc.get_step_cos(), osc.get_step_sin(), tab, Q, first, count, tw_cos, tw_sin);
    }
}

// Levels n and n+1 in place over the whole array, run of twiddles by run. Returns false
// when the abort flag stopped it (checked after every run).
template <class T>
bool RealFft<T>::pair_pass(T* d, int level) const
{
    const long H = long{1} << level;
    const long Q = H >> 1;
    for (long p = 0; p < length_; p += 4 * H) {
        fused_pair_ends(d + p, H);
    }
    alignas(64) T c1[TwiddleRun], s1[TwiddleRun], c2[TwiddleRun], s2[TwiddleRun];
    alignas(64) T c3[TwiddleRun], s3[TwiddleRun], tc[TwiddleRun], ts[TwiddleRun];
    const long last = Q / 2; // inclusive
    for (long i0 = 1; i0 <= last; i0 += TwiddleRun) {
        const long i1 = (last + 1 - i0 > TwiddleRun) ? i0 + TwiddleRun : last + 1;
        const long count = i1 - i0;
        twiddle_run(level, i0, count, c1, s1);
        twiddle_run(level + 1, i0, count, c2, s2);
        // Level n+1 at Q - i for i = i0 ... i1-1: a descending run.
        twiddle_run(level + 1, Q - i1 + 1, count, tc, ts);
        for (long t = 0; t < count; ++t) {
            c3[t] = tc[count - 1 - t];
            s3[t] = ts[count - 1 - t];
        }
        const RunTwiddles tw{c1, s1, c2, s2, c3, s3, i0};
        fused_run_kernel(d, length_, H, i0, i1, tw);
        if (stop_requested()) {
            return false;
        }
    }
    return true;
}

template <class T>
void RealFft<T>::forward_fft(T* f, const T* x)
{
    RFFT_REQUIRE(f != nullptr, "f != 0");
    RFFT_REQUIRE(x != nullptr, "x != 0");
    RFFT_REQUIRE(f != scratch(), "f != scratch ()");
    RFFT_REQUIRE(x != scratch(), "x != scratch ()");
    RFFT_REQUIRE(f != x, "f != x");

    if (four_step_) {
        transform_(*four_step_, f, x, four_step_->scratch.data(), abort_flag_);
        return;
    }
    switch (bit_count_) {
    case 0:
        f[0] = x[0];
        return;
    case 1:
        f[0] = x[0] + x[1];
        f[1] = x[0] - x[1];
        return;
    case 2: {
        const T t0 = x[0] + x[2];
        const T t1 = x[1] + x[3];
        f[1] = x[0] - x[2];
        f[3] = x[1] - x[3];
        f[0] = t0 + t1;
        f[2] = t0 - t1;
        return;
    }
    default:
        break;
    }

    // The levels alternate between f and the scratch buffer; starting on the right one
    // makes the last level land in f.
    T* even = (bit_count_ & 1) ? scratch() : f;
    T* odd = (bit_count_ & 1) ? f : scratch();
    if (!first_levels(even, odd, x)) {
        return;
    }
    const int b = bit_count_ < BlockBits ? bit_count_ : BlockBits;
    // Level b-1 wrote `even` when b-1 is odd.
    T* src = ((b - 1) & 1) ? even : odd;
    T* dst = ((b - 1) & 1) ? odd : even;
    int level = b;
    // Levels b ... k-1: one single level when their count is odd, then pairs in place.
    if ((bit_count_ - b) % 2 == 1) {
        level_pass(dst, src, level);
        if (stop_requested()) {
            return;
        }
        src = dst;
        ++level;
    }
    for (; level + 1 < bit_count_; level += 2) {
        if (!pair_pass(src, level)) {
            return;
        }
    }
}

template class RealFft<double>;

} // namespace rfft
